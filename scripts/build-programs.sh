#!/usr/bin/env bash
# Builds qs71dr-adj and the virtual radio qt71dr-sim in ${QS_BUILD_DIR:-build}, configuring it
# first when needed with the same settings as scripts/test.sh, so that they share one build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QS_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQS_WERROR=ON >/dev/null
fi
cmake --build "$build_dir" --target qs71dr-adj qt71dr-sim -j "$jobs"
