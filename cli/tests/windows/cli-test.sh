#!/bin/bash
# cli-test.sh CLI PICTURE...: ravlin-cli.exe as a Windows user meets it, run through CLI (a script
# that starts it under Wine). Each row of the tables below runs the program once and checks its
# exit status and messages; the round trips also check the bytes that come back.
set -eu
if [ $# -lt 2 ]; then echo "usage: $0 CLI PICTURE..." >&2; exit 2; fi
cli=$(realpath "$1")
shift
pictures=()
for picture in "$@"; do pictures+=("$(realpath "$picture")"); done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failures=0
checks=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect STATUS STDERR_PATTERN WHAT -- COMMAND...: runs the command with stdout to out, stderr to
# err; the status must be STATUS and stderr must match the extended regular expression (^$ for
# none).
expect() {
  local status=$1 pattern=$2 what=$3
  shift 4
  checks=$((checks + 1))
  local got=0
  "$@" >out 2>err || got=$?
  [ "$got" -eq "$status" ] || fail "$what: exit status $got, expected $status; stderr: $(cat err)"
  if [ "$pattern" = '^$' ]; then
    [ ! -s err ] || fail "$what: unexpected stderr '$(cat err)'"
  else
    grep -Eq "$pattern" err || fail "$what: stderr '$(cat err)' does not match '$pattern'"
  fi
}

same_bytes() {
  checks=$((checks + 1))
  cmp -s "$1" "$2" || fail "$3: the bytes differ"
}

# Round trips of real pictures through files named in several ways: a plain name, a name outside
# ASCII, a backslash path and a path with a drive letter (Wine's Z: is the root). The packed file
# lands beside its input, named after it.
mkdir sub
windows_work="Z:$(printf '%s' "$work" | tr / '\\')"
n=0
for picture in "${pictures[@]}"; do
  n=$((n + 1))
  suffix=${picture##*.}
  #    method  path given to the program           where that is here
  while read -r method given local; do
    cp "$picture" "$local.$suffix"
    what="$(basename "$picture") as $given.$suffix, method $method"
    expect 0 '^$' "pack $what" -- "$cli" pack -q -m "$method" "$given.$suffix"
    [ -f "$local.pack$method" ] || { fail "$what: no $local.pack$method"; continue; }
    expect 0 '^$' "pack -c $what" -- "$cli" pack -q -m "$method" -c "$given.$suffix"
    same_bytes out "$local.pack$method" "$what: pack -c and the packed file"
    rm "$local.$suffix"
    expect 0 '^$' "unpack $what" -- "$cli" unpack -q "$given.pack$method"
    same_bytes "$local.unpack$method" "$picture" "$what: unpacked file"
  done <<ROWS
1 plain$n plain$n
2 plain$n plain$n
1 pingüino-ñ-图$n pingüino-ñ-图$n
2 sub\\pic$n sub/pic$n
1 $windows_work\\sub\\drive$n sub/drive$n
ROWS
done

# Standard input to standard output keeps every byte: a text-mode stream would turn LF into
# CR LF on the way out or drop a CR on the way in.
printf 'a\nb\r\nc\r\r\n\n\n\n\n\r\r\r\r\0\n' >newlines
cat "${pictures[0]}" >>newlines
[ $(( $(wc -c <newlines) % 2 )) -eq 0 ] || printf '\n' >>newlines
for method in 1 2; do
  expect 0 '^$' "pack stdin, method $method" -- "$cli" pack -m "$method" <newlines
  mv out packed
  expect 0 '^$' "unpack stdin, method $method" -- "$cli" unpack -m "$method" <packed
  same_bytes out newlines "stdin to stdout, method $method"
  # The same stream through a pipe rather than a redirected file.
  checks=$((checks + 1))
  cat newlines | "$cli" pack -m "$method" | "$cli" unpack -m "$method" | cmp -s - newlines ||
    fail "pipe round trip, method $method: the bytes differ"
done

# A reader that goes away ends the run quietly with the status SIGPIPE gives on Linux.
head -c 20000000 /dev/zero >zeros.bin
expect 0 '^$' "pack zeros" -- "$cli" pack -m 1 zeros.bin
checks=$((checks + 1))
"$cli" unpack -c zeros.pack1 2>err | head -c 10 >/dev/null
status=${PIPESTATUS[0]}
[ "$status" -eq 141 ] && [ ! -s err ] ||
  fail "reader gone: exit status $status, expected 141; stderr: $(cat err)"

# Refusals: the same words and exit statuses as on Linux, and the target left as it was.
cp "${pictures[0]}" ro.bin
printf 'keep' >ro.pack1
chmod 444 ro.pack1
cp "${pictures[0]}" there.bin
printf 'keep' >there.pack1
#        status  stderr                                                       arguments
while IFS='|' read -r status pattern args; do
  # shellcheck disable=SC2086  # the arguments are split on purpose
  expect "$status" "$pattern" "ravlin-cli $args" -- "$cli" $args
done <<'ROWS'
1|^ravlin-cli: ro.pack1: Permission denied \(the file may not be written\)$|pack -f -m 1 ro.bin
1|^ravlin-cli: there.pack1: already exists; use -f to replace it$|pack -m 1 there.bin
1|^ravlin-cli: missing.bin: No such file or directory$|pack -m 1 missing.bin
2|^ravlin-cli: unknown option '--bogus'$|pack --bogus there.bin
2|^Try 'ravlin-cli --help' for more information.$|pack --bogus there.bin
2|^ravlin-cli: unknown command 'crush'|crush there.bin
ROWS
same_bytes ro.pack1 <(printf 'keep') "read-only target"
same_bytes there.pack1 <(printf 'keep') "existing target"
checks=$((checks + 1))
ls | grep -q '^\.ravlin' && fail "a temporary file was left behind: $(ls -a)"

# The help says that outputs are never sparse here.
expect 0 '^$' "--help" -- "$cli" --help
checks=$((checks + 1))
grep -q 'on Windows zeros are always' out || fail "--help does not say that files are never sparse"

echo "$checks checks of ravlin-cli.exe, $failures failures"
[ "$failures" -eq 0 ]
