#!/bin/sh
# Whole-process timings of ravlin-cli beside lz4 on the same files, measured with hyperfine.
# Usage: cli/compare-with-lz4.sh [path/to/ravlin-cli [path/to/ravlin-bench]]
#   (defaults: build/default/cli/ravlin-cli and build/default/bench/ravlin-bench; without the
#   benchmark program the real-graphics files are left out)
set -eu
cli=$(realpath "${1:-build/default/cli/ravlin-cli}")
bench=$(realpath "${2:-build/default/bench/ravlin-bench}" 2>/dev/null || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Sprite-like 8-bit data: runs of 1 to 40 equal bytes from a few colours. One 64 MiB file, and a
# folder of 500 tiles of 16 KiB.
python3 - <<'PY'
import os, random
random.seed(1)
def runs(size, colours):
    out = bytearray()
    while len(out) < size:
        out += bytes([random.randrange(colours)]) * random.randint(1, 40)
    return bytes(out[:size])
open('sprites.bin', 'wb').write(runs(64 << 20, 16))
os.makedirs('tiles')
for i in range(500):
    open(f'tiles/tile{i:03}.bin', 'wb').write(runs(16 << 10, 4))
PY
"$cli" pack -q sprites.bin
lz4 -q sprites.bin sprites.bin.lz4
ls -l sprites.bin sprites.pack1 sprites.bin.lz4

hyperfine -N --warmup 3 --runs 20 \
  -n 'ravlin-cli pack, 64 MiB' "$cli pack -qf sprites.bin" \
  -n 'lz4, 64 MiB' 'lz4 -qf sprites.bin sprites.bin.lz4'
hyperfine -N --warmup 3 --runs 20 \
  -n 'ravlin-cli unpack, 64 MiB' "$cli unpack -qf sprites.pack1" \
  -n 'lz4 -d, 64 MiB' 'lz4 -dqf sprites.bin.lz4 sprites.lz4.out'
hyperfine --warmup 2 --runs 10 \
  -n 'ravlin-cli pack, 500 tiles, one process' "$cli pack -qf tiles/*.bin" \
  -n 'lz4 -m, 500 tiles, one process' 'lz4 -mqf tiles/*.bin'
hyperfine --warmup 1 --runs 5 \
  -n 'ravlin-cli pack, 500 tiles, shell loop' \
  "for f in tiles/*.bin; do $cli pack -qf \"\$f\"; done" \
  -n 'lz4, 500 tiles, shell loop' 'for f in tiles/*.bin; do lz4 -qf "$f" "$f.lz4"; done'

# The real graphics of the in-memory benchmark as files: console fonts, and game sprites and
# graphics as 8-bit indexed pixels (method 1) and 15-bit pixels (method 2). A set whose Debian
# package is missing is left out by the benchmark program, and so here.
if [ -x "$bench" ] && "$bench" --write-data-sets sets >/dev/null; then
  for set in fonts penguins8 penguins15 breakout8 breakout15; do
    file=sets/$set.bin
    [ -f "$file" ] || continue
    case $set in *15) method=2 ;; *) method=1 ;; esac
    "$cli" pack -q -m "$method" "$file"
    lz4 -q "$file" "$file.lz4"
    ls -l "$file" "sets/$set.pack$method" "$file.lz4"
    hyperfine -N --warmup 3 --runs 20 \
      -n "ravlin-cli pack -m $method, $set" "$cli pack -qf -m $method $file" \
      -n "lz4, $set" "lz4 -qf $file $file.lz4"
    hyperfine -N --warmup 3 --runs 20 \
      -n "ravlin-cli unpack, $set" "$cli unpack -qf sets/$set.pack$method" \
      -n "lz4 -d, $set" "lz4 -dqf $file.lz4 sets/$set.lz4.out"
  done
else
  echo "compare-with-lz4.sh: no ravlin-bench at ${2:-build/default/bench/ravlin-bench}; real-graphics files left out" >&2
fi
