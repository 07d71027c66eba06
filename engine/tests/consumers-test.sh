#!/bin/bash
# The example programs of packaging/consumer, built against the shared library: each packs a
# picture and an empty file with both methods and checks its own round trip; the C and the C++
# program must write the same streams under the same names.
# Usage: consumers-test.sh C_CONSUMER CXX_CONSUMER
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{ head -c 70000 /dev/zero; yes 'The quick brown fox 0123456789' | head -c 30000; printf 'abababab'; } >"$work/picture.bin"
: >"$work/empty.bin"
failures=0
for input in picture empty; do
  for method in 1 2; do
    for consumer in "$@"; do
      folder=$work/$(basename "$consumer")
      mkdir -p "$folder"
      output=$("$consumer" "$method" "$work/$input.bin" "$folder")
      [ "$output" = "$folder/$input.pack$method" ] ||
        { echo "FAIL: $consumer $method $input.bin wrote '$output'"; failures=$((failures + 1)); }
    done
    cmp "$work/$(basename "$1")/$input.pack$method" "$work/$(basename "$2")/$input.pack$method" ||
      failures=$((failures + 1))
  done
done
[ "$failures" -eq 0 ]
