#!/usr/bin/env bash
# Release build of the unit, then its main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
build/tools/selfcheck/platform_selfcheck
