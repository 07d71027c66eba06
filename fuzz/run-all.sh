#!/bin/sh
# Runs every fuzz target of a build for a given number of seconds, each on a scratch copy of its
# seed corpus (new inputs never land in the repository). Fails on the first crash and names
# the input that caused it.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
work="$build/fuzz-runs"
rm -rf "$work"
mkdir -p "$work"

found=0
for target in "$build"/fuzz/*_fuzzer; do
    [ -x "$target" ] || continue
    found=1
    name=$(basename "$target")
    corpus="$work/$name/corpus"
    artifacts="$work/$name/artifacts"
    mkdir -p "$corpus" "$artifacts"
    if [ -d "$here/corpus/$name" ]; then cp "$here/corpus/$name"/* "$corpus"/; fi
    echo "== $name: $seconds s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
            -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
            >"$work/$name/log" 2>&1; then
        tail -n 40 "$work/$name/log"
        echo "$name failed; inputs kept in $artifacts:" >&2
        ls "$artifacts" >&2
        exit 1
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$work/$name/log" || true
done

if [ "$found" -eq 0 ]; then
    echo "no fuzz targets in $build/fuzz" >&2
    exit 1
fi
