#!/bin/sh
# Files packed on one processor or system unpack on another: ravlin-cli built for this machine and
# ravlin-cli built for another processor or for Windows (started through its emulator) pack real graphics data from Debian
# packages with both methods. Both must answer alike (exit status, messages, the same stream
# bytes), and the stream must unpack with either tool to the original file.
# Usage: cross-streams.sh NATIVE_CLI OTHER_CLI
set -eu
if [ $# -ne 2 ]; then echo "usage: $0 NATIVE_CLI OTHER_CLI" >&2; exit 2; fi
native=$1
other=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Console fonts are raw 1-bit bitmaps; the game art is compressed images and text pixel maps, whose
# bytes run-length code poorly, which exercises the literal blocks. Some sizes are odd, which
# method 2 refuses: both tools must refuse them in the same words.
mkdir "$work/data"
for font in Lat15-Fixed16 Uni2-VGA16 Lat2-Terminus16; do
  gunzip -c "/usr/share/consolefonts/$font.psf.gz" >"$work/data/$font.psf"
done
cp /usr/share/games/lbreakout2/gfx/back0.png /usr/share/games/lbreakout2/gfx/ammo.png \
  /usr/share/xpenguins/themes/Big_Penguins/climber.xpm "$work/data/"

# Runs "$@" with stdout to $work/$name.out, stderr to $name.err and the status in $name.status.
run() {
  name=$1
  shift
  set +e
  "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.status"
  set -e
}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
same() {
  for part in status err out; do
    cmp -s "$work/$1.$part" "$work/$2.$part" || { fail "$3: the tools differ in $part"; return 1; }
  done
}

checked=0
for file in "$work"/data/*; do
  for m in 1 2; do
    what="$(basename "$file"), method $m"
    run pack-native "$native" pack -q -m "$m" -c "$file"
    run pack-other "$other" pack -q -m "$m" -c "$file"
    # Messages name the program; both are ravlin-cli.
    same pack-native pack-other "pack $what" || continue
    [ "$(cat "$work/pack-native.status")" = 0 ] || continue
    # The streams are the same bytes: each tool unpacks the one the other made.
    run back-native "$native" unpack -q -m "$m" -c "$work/pack-other.out"
    run back-other "$other" unpack -q -m "$m" -c "$work/pack-other.out"
    same back-native back-other "unpack $what" || continue
    cmp -s "$work/back-native.out" "$file" || fail "$what: the unpacked bytes differ from the file"
    checked=$((checked + 1))
  done
done
echo "$checked round trips across the two tools, $failures failures"
if [ "$checked" -eq 0 ]; then echo "FAIL: nothing was checked"; exit 1; fi
[ "$failures" -eq 0 ]
