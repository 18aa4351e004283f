#!/bin/bash
# Extraction benchmark: builds a deterministic synthetic country archive and
# times, several times each, the extractor (exported Untar through a small
# driver), bsdtar -xzf, tar -xzf, and the inflate limit (gzread only). Prints
# the medians, their ratios to the inflate limit and the peak memory.
#
#   scripts/bench_untgz.sh [megabytes=300] [runs=5] [build-dir=<repo>/build-bench]
#
# BENCH_WORK_DIR chooses where the archive and the extracted trees go (a
# temporary folder by default, removed at the end).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
src=${UNIT_SOURCE_DIR:-$repo}
mb=${1:-300}
runs=${2:-5}
build=${3:-$repo/build-bench}

"$repo/scripts/deps.sh"

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DUNIT_BENCH=ON \
    -DUNIT_SANITIZE= >/dev/null
ninja -C "$build" -j2 untgz_bench_driver untgz_inflate_limit untgz_make_country >/dev/null
tools=$build/bench/untgz

if [ -n "${BENCH_WORK_DIR:-}" ]; then
    work=$BENCH_WORK_DIR
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/untgz_bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
archive=$work/040.BIN

echo "building a ${mb} MB archive in $work"
raw=$("$tools/untgz_make_country" "$archive" "$mb" | sed -n 's/.*bytes=\([0-9]*\).*/\1/p')
packed=$(stat -c %s "$archive")
awk -v r="$raw" -v p="$packed" 'BEGIN { printf "uncompressed %d bytes, compressed %d bytes, ratio %.2f:1\n", r, p, r / p }'

have_time=0
[ -x /usr/bin/time ] && have_time=1

# run <name> <command...>: appends "<seconds> <peak kB>" to $work/<name>.times
run() {
    local name=$1
    shift
    local start end rss=0
    start=$(date +%s%N)
    if [ $have_time -eq 1 ]; then
        /usr/bin/time -f "%M" -o "$work/rss" "$@" >/dev/null
        rss=$(tail -1 "$work/rss")
    else
        "$@" >/dev/null
    fi
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 )) $rss" >>"$work/$name.times"
}

fresh() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    sync -f "$work" 2>/dev/null || true
}

rm -f "$work"/*.times
for ((i = 1; i <= runs; i++)); do
    run limit "$tools/untgz_inflate_limit" "$archive"
    fresh
    run untar "$tools/untgz_bench_driver" "$archive" "$work/out"
    if [ "$i" -eq 1 ]; then
        mv "$work/out" "$work/ours"
        mkdir -p "$work/out"
    fi
    fresh
    run bsdtar bsdtar -xzf "$archive" -C "$work/out"
    if [ "$i" -eq 1 ]; then
        if diff -r "$work/out/040" "$work/ours/MAPPE/TEMP_040" >/dev/null; then
            echo "Untar output identical to bsdtar's"
        else
            echo "Untar output DIFFERS from bsdtar's" >&2
            exit 1
        fi
        rm -rf "$work/ours"
    fi
    fresh
    run tar tar -xzf "$archive" -C "$work/out"
    echo "run $i/$runs done"
done
rm -rf "$work/out"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
limit=$(cut -d' ' -f1 "$work/limit.times" | median)
printf "\n%-8s %10s %10s %12s   (median of %d runs; %d MB)\n" tool seconds "x limit" "peak kB" "$runs" "$mb"
for name in limit untar bsdtar tar; do
    m=$(cut -d' ' -f1 "$work/$name.times" | median)
    rss=$(cut -d' ' -f2 "$work/$name.times" | sort -n | tail -1)
    awk -v n="$name" -v m="$m" -v l="$limit" -v r="$rss" \
        'BEGIN { printf "%-8s %10.3f %10.2f %12d\n", n, m / 1e6, m / l, r }'
done
