#!/bin/sh
# zip-test.sh ZIP CC C_EXAMPLE PICTURE RUNNER...: what a Windows developer does with the zip.
# Unpacks it, builds the C example program against its header and import library alone, and
# runs the program (through RUNNER, Wine here) beside the zip's ravlin.dll: it packs PICTURE with
# both methods and checks that each stream unpacks to the same bytes. Then the zip's ravlin-cli.exe
# packs and unpacks PICTURE away from the DLL.
set -eu
zip=$1 cc=$2 example=$3 picture=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cmake -E tar xf "$zip"
top=$(basename "$zip" .zip)
for file in bin/ravlin.dll bin/ravlin-cli.exe lib/libravlin.dll.a include/ravlin/ravlin.h include/ravlin/ravlin.hpp \
            README.md; do
    [ -f "$top/$file" ] || { echo "FAIL: $top/$file is not in the zip" >&2; exit 1; }
done
"$cc" -std=c99 -I"$top/include" -o "$top/bin/example.exe" "$example" -L"$top/lib" -lravlin
for method in 1 2; do
    "$@" "$top/bin/example.exe" "$method" "$picture" "$work" >/dev/null
done
# The zip's ravlin-cli.exe runs on its own, with no DLL beside it but Windows' own.
cp "$top/bin/ravlin-cli.exe" "$work/ravlin-cli.exe"
"$@" "$work/ravlin-cli.exe" pack -q -m 1 -c "$picture" >packed
"$@" "$work/ravlin-cli.exe" unpack -q -m 1 -c packed >unpacked
cmp unpacked "$picture" || { echo "FAIL: ravlin-cli.exe from the zip did not give back $picture" >&2; exit 1; }
