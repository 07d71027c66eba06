#!/bin/bash
# Runs every fuzz target of a build for a given number of seconds, each on a scratch copy of its
# seed corpus (new inputs never land in the repository), as many at a time as there are processor
# cores, so that each target still gets a core for its seconds. Fails once its batch is done if a
# target crashed, and names the input that caused it.
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

# Fuzzes with target $1 in $work/NAME; its log is $work/NAME/log.
fuzz() {
    local name corpus
    name=$(basename "$1")
    corpus="$work/$name/corpus"
    mkdir -p "$corpus" "$work/$name/artifacts"
    if [ -d "$here/corpus/$name" ]; then cp "$here/corpus/$name"/* "$corpus"/; fi
    "$1" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$work/$name/artifacts/" "$corpus" >"$work/$name/log" 2>&1
}

# Waits for the batch of targets running now and reports each; fails if any of them failed.
finish_batch() {
    local failed=0 i name
    for i in "${!running[@]}"; do
        name=$(basename "${targets[$i]}")
        if wait "${running[$i]}"; then
            echo "== $name: $seconds s"
            grep -E '^stat::number_of_executed_units|^Done' "$work/$name/log" || true
        else
            tail -n 40 "$work/$name/log"
            echo "$name failed; inputs kept in $work/$name/artifacts:" >&2
            ls "$work/$name/artifacts" >&2
            failed=1
        fi
    done
    running=() targets=()
    return "$failed"
}

cores=$(nproc)
found=0
running=() targets=()
for target in "$build"/fuzz/*_fuzzer; do
    [ -x "$target" ] || continue
    found=1
    fuzz "$target" &
    running+=("$!") targets+=("$target")
    if [ "${#running[@]}" -ge "$cores" ]; then finish_batch || exit 1; fi
done
finish_batch || exit 1

if [ "$found" -eq 0 ]; then
    echo "no fuzz targets in $build/fuzz" >&2
    exit 1
fi
