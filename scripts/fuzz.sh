#!/bin/sh
# Builds the extractor's libFuzzer target with clang under ASan+UBSan and runs
# it for a bounded time on a freshly generated seed corpus.
#
#   scripts/fuzz.sh [build-dir] [seconds]     defaults: <repo>/build-fuzz 60
#
# The seed is fixed (FUZZ_SEED, 1 by default) so that a run can be repeated.
#
# Exits non-zero when the build fails or the fuzzer finds a fault (the
# reproducer is left in the current folder as crash-*, leak-* or timeout-*).
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
src=${UNIT_SOURCE_DIR:-$repo}
build=${1:-$repo/build-fuzz}
seconds=${2:-60}

"$repo/scripts/deps.sh"

CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DUNIT_FUZZ=ON \
    -DUNIT_SANITIZE=address -DUNIT_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS=""
ninja -C "$build" -j2 untgz_fuzz untgz_fuzz_seeds

seeds=$build/fuzz/seeds
corpus=$build/fuzz/corpus
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
"$build/fuzz/untgz_fuzz_seeds" "$seeds"
"$build/fuzz/untgz_fuzz" -seed="${FUZZ_SEED:-1}" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 "$corpus" "$seeds"
