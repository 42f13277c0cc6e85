#!/usr/bin/env bash
# Builds everything in build/ and runs every test. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQS_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
# Widget tests run on Qt's offscreen platform: no display needed.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$jobs" "$@"
