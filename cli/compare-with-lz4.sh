#!/bin/sh
# Whole-process timings and peak memory of ravlin-cli beside lz4 (default level) on the same files:
# medians of the two tools' runs taken in turn, and /usr/bin/time's peaks. Prints Markdown tables.
# Usage: cli/compare-with-lz4.sh [RAVLIN_CLI [RAVLIN_BENCH]]
#   (defaults: build/default/cli/ravlin-cli and build/default/bench/ravlin-bench, whose
#   --write-data-sets gives the benchmark's data sets, real game art included)
# RUNS (default 10) sets the runs per command; one tile per process runs 100 times as often.
# RAVLIN_SIMD (avx512, avx2, sse2 or scalar) caps the processor path ravlin-cli takes, as it does
# for any program on the engine; the tables name the path.
set -eu
cli=$(realpath "${1:-build/default/cli/ravlin-cli}")
bench=$(realpath "${2:-build/default/bench/ravlin-bench}")
runs=${RUNS:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Each data set of 8 MiB, repeated 8 times: 64 MiB per file, so that the work outweighs the
# start of a process. Sets whose name ends in 15 hold 15-bit pixels and take method II.
"$bench" --write-data-sets sets >/dev/null
for set in sets/*.bin; do
  name=$(basename "$set" .bin)
  for _ in 1 2 3 4 5 6 7 8; do cat "$set"; done >"$name.raw"
done
rm -r sets

# 500 tiles of 16 KiB of sprite-like runs.
python3 - <<'PY'
import os, random
random.seed(1)
os.makedirs('tiles')
for i in range(500):
    out = bytearray()
    while len(out) < 16 << 10:
        out += bytes([random.randrange(4)]) * random.randint(1, 40)
    open(f'tiles/tile{i:03}.bin', 'wb').write(out[:16 << 10])
PY

peak() {  # peak resident memory in KiB of a command
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}
row() {  # a table row: what, ravlin-cli seconds, lz4 seconds
  python3 -c "import sys; r, l = float(sys.argv[2]), float(sys.argv[3]); \
print(f'| {sys.argv[1]} | {r*1000:.1f} ms | {l*1000:.1f} ms | {l/r:.2f} |')" "$@"
}

# Prints the median seconds of two commands, run in turn (A, B, A, B, ...) after two warm-up rounds,
# so that the machine's drift over a measurement falls on both alike. Before every run the files
# named in the first argument are removed: each run writes a new file, since ravlin-cli flushes a
# file it replaces to the disk first and lz4 does not, and that difference is not the work compared.
cat >in_turn.py <<'PY'
import glob, os, shlex, statistics, sys, time
runs, leftovers = int(sys.argv[1]), sys.argv[2].split()
commands = [[word for arg in shlex.split(c) for word in (sorted(glob.glob(arg)) if '*' in arg else [arg])]
            for c in sys.argv[3:5]]
times = ([], [])
for round in range(runs + 2):
    for command, taken in zip(commands, times):
        for name in leftovers:
            if os.path.exists(name):
                os.unlink(name)
        start = time.perf_counter()
        _, status = os.waitpid(os.posix_spawnp(command[0], command, os.environ), 0)
        if round >= 2:
            taken.append(time.perf_counter() - start)
        if status != 0:
            sys.exit(f'{command[0]} failed')
print(statistics.median(times[0]), statistics.median(times[1]))
PY
in_turn() {  # runs, files to remove before each run, command A, command B
  python3 in_turn.py "$@"
}

echo "Processor path: RAVLIN_SIMD=${RAVLIN_SIMD:-(unset: the best the processor has)}"
echo
echo "| Work | ravlin-cli | lz4 | ravlin-cli's speed over lz4's |"
echo "|---|---:|---:|---:|"
for raw in *.raw; do
  name=$(basename "$raw" .raw)
  case $name in *15) m=2 ;; *) m=1 ;; esac
  "$cli" pack -qf -m $m -o "$name.pack" "$raw"
  lz4 -qf "$raw" "$name.lz4"
  packed=$(stat -c %s "$name.pack")
  lz4ed=$(stat -c %s "$name.lz4")
  row "pack \`$name\`, 64 MiB, method $m (to $packed bytes; lz4: $lz4ed)" \
    $(in_turn "$runs" "$name.pack.new $name.lz4.new" \
        "$cli pack -q -m $m -o $name.pack.new $raw" "lz4 -q $raw $name.lz4.new")
  row "unpack \`$name\`" $(in_turn "$runs" "$name.out" \
    "$cli unpack -q -m $m -o $name.out $name.pack" "lz4 -dq $name.lz4 $name.out")
done
tiles_out=$(for i in $(seq -f %03g 0 499); do printf 'tiles/tile%s.pack1 tiles/tile%s.bin.lz4 ' "$i" "$i"; done)
row "pack 500 tiles of 16 KiB in one process (\`lz4 -m\`)" \
  $(in_turn "$runs" "$tiles_out" "$cli pack -q tiles/*.bin" "lz4 -mq tiles/*.bin")
row "pack one tile, one process" $(in_turn $((runs * 100)) \
  "tiles/tile000.pack1 tiles/tile000.bin.lz4" \
  "$cli pack -q tiles/tile000.bin" "lz4 -q tiles/tile000.bin tiles/tile000.bin.lz4")

echo
echo "| Peak resident memory (KiB) | ravlin-cli | lz4 |"
echo "|---|---:|---:|"
largest=$(ls -S *.raw | head -n 1)
echo "| pack a 64 MiB file | $(peak "$cli" pack -qf -o big.pack "$largest") | $(peak lz4 -qf "$largest" big.lz4) |"
echo "| unpack it | $(peak "$cli" unpack -qf -m 1 -o big.out big.pack) | $(peak lz4 -dqf big.lz4 big.lz4.out) |"
echo "| pack 1 GiB of zeros from a pipe | $(head -c 1G /dev/zero | peak "$cli" pack -c) | $(head -c 1G /dev/zero | peak lz4 -c) |"
echo "| pack 500 tiles in one process | $(peak "$cli" pack -qf tiles/*.bin) | $(peak lz4 -mqf tiles/*.bin) |"
