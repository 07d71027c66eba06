#!/bin/bash
# The bash and zsh completion of ravlin-cli against the program itself: every long option that
# `ravlin-cli --help` lists must be offered by both scripts, after each command exactly the options
# that the program takes with it, and bash must complete real command lines as a user would see
# them.
# Usage: completion-test.sh RAVLIN_CLI COMPLETION_DIR
set -u
cli=$1
dir=$(realpath "$2")
failures=0
work_zsh=$(mktemp)
probe=$(mktemp -d)
trap 'rm -rf "$work_zsh" "$probe"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

help=$("$cli" --help) || { echo "FAIL: $cli --help"; exit 1; }
options=$(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u)
[ -n "$options" ] || fail "--help lists no long options"
# A value for OPTION, when it takes one.
value_for() {
  case $1 in
    --method) echo 1 ;;
    --output | --output-dir) echo "$probe/out" ;;
    --suffix) echo .raw ;;
  esac
}
# The long options COMMAND takes, by the program's own rules: it refuses the others as a usage
# error (status 2) before reading anything.
taken_by() {
  local option value
  for option in $options; do
    value=$(value_for "$option")
    "$cli" "$1" "$option${value:+=$value}" "$probe/missing" >/dev/null 2>&1
    [ $? -ne 2 ] && echo "$option"
  done
}
# What bash offers for a list of options: those that take a value end in '='.
as_offered() {
  local option value
  for option in $1; do
    value=$(value_for "$option")
    echo "$option${value:+=}"
  done | sort | paste -sd' '
}
pack_options=$(taken_by pack)
unpack_options=$(taken_by unpack)
[ "$pack_options" != "$unpack_options" ] || fail "pack and unpack take the same options"
"$cli" -q pack "$probe/missing" >/dev/null 2>&1
[ $? -eq 2 ] || fail "the program takes an option before the command"

for script in "$dir/ravlin-cli.bash" "$dir/_ravlin-cli"; do
  for option in $options; do
    # A whole option name: --output must not pass on the strength of --output-dir.
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$script" ||
      fail "$(basename "$script") does not offer $option"
  done
done

if ! command -v zsh >/dev/null; then
  echo "zsh is not installed: its completion not tried"
else
  while IFS='|' read -r line expected; do
    zsh -f "$(dirname "$0")/zsh-complete.zsh" "$dir" "$line" "$expected" >"$work_zsh" ||
      fail "zsh: '$line<Tab>' does not offer '$expected'; it showed: $(cat "$work_zsh")"
  done <<'CASES'
ravlin-cli p|[[ravlin-cli pack
ravlin-cli pack --me|[[ravlin-cli pack --method=]]
ravlin-cli unpack --no|[[ravlin-cli unpack --no-sparse ]]
ravlin-cli unpack --output-d|[[ravlin-cli unpack --output-dir=]]
ravlin-cli pack -m |16-bit little-endian words
CASES
  for command in pack unpack; do
    zsh -f "$(dirname "$0")/zsh-complete.zsh" "$dir" "ravlin-cli $command --" "--progress" \
      >"$work_zsh" || fail "zsh: 'ravlin-cli $command --<Tab>' lists no options: $(cat "$work_zsh")"
    taken_var=${command}_options
    taken=" "$(echo ${!taken_var})" "
    for option in $options; do
      offered=no
      grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$work_zsh" && offered=yes
      case $taken in
        *" $option "*) [ $offered = yes ] || fail "zsh does not offer $option after $command" ;;
        *) [ $offered = no ] || fail "zsh offers $option after $command, which refuses it" ;;
      esac
    done
  done
fi

bash_completion=/usr/share/bash-completion/bash_completion
if [ ! -f "$bash_completion" ]; then
  echo "bash-completion is not installed: command lines not tried"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work" "$work_zsh" "$probe"' EXIT
  mkdir "$work/levels" && touch "$work/sprite.bin" "$work/sprite.pack2"
  # Completes LINE (the cursor at its end) the way bash does on Tab; prints the candidates.
  complete_line() {
    (
      cd "$work" || exit 1
      source "$bash_completion"
      source "$dir/ravlin-cli.bash"
      read -ra COMP_WORDS <<<"$1"
      [[ $1 == *' ' ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMP_LINE=$1
      COMP_POINT=${#1}
      # compopt only works inside a real completion; its complaint here is noise.
      _ravlin_cli ravlin-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
      printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
    )
  }
  while IFS='|' read -r line expected; do
    got=$(complete_line "$line")
    [ "$got" = "$expected" ] || fail "'$line<Tab>' offers '$got', expected '$expected'"
  done <<CASES
ravlin-cli pack --|$(as_offered "$pack_options")
ravlin-cli unpack --|$(as_offered "$unpack_options")
ravlin-cli p|pack
ravlin-cli --|--help --version
ravlin-cli -q |
ravlin-cli pack --me|--method=
ravlin-cli unpack --no-|--no-sparse
ravlin-cli pack --no-|
ravlin-cli pack --output|--output-dir= --output=
ravlin-cli pack -m |1 2
ravlin-cli unpack --method=|1 2
ravlin-cli pack -q sp|sprite.bin sprite.pack2
ravlin-cli unpack --output-dir |levels
ravlin-cli pack -o |levels sprite.bin sprite.pack2
CASES
fi

[ "$failures" -eq 0 ] && echo "completion: all checks passed"
[ "$failures" -eq 0 ]
