#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build-asan}
cmake -S . -B "$build" -G Ninja -DUNIT_SANITIZE=address -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
(cd "$build" && ctest --output-on-failure -j2)
