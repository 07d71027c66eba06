#!/bin/bash
# The bash and zsh completion of ravlin-cli against the program itself: every long option that
# `ravlin-cli --help` lists must be offered by both scripts, and bash must complete real command
# lines as a user would see them.
# Usage: completion-test.sh RAVLIN_CLI COMPLETION_DIR
set -u
cli=$1
dir=$(realpath "$2")
failures=0
work_zsh=$(mktemp)
trap 'rm -f "$work_zsh"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

help=$("$cli" --help) || { echo "FAIL: $cli --help"; exit 1; }
options=$(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u)
[ -n "$options" ] || fail "--help lists no long options"
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
ravlin-cli pack --no|[[ravlin-cli pack --no-sparse ]]
ravlin-cli unpack --output-d|[[ravlin-cli unpack --output-dir=]]
ravlin-cli pack -m |16-bit little-endian words
CASES
fi

bash_completion=/usr/share/bash-completion/bash_completion
if [ ! -f "$bash_completion" ]; then
  echo "bash-completion is not installed: command lines not tried"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work" "$work_zsh"' EXIT
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
  done <<'CASES'
ravlin-cli p|pack
ravlin-cli --|--help --version
ravlin-cli pack --me|--method=
ravlin-cli pack --no-|--no-sparse
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
