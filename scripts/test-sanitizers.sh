#!/usr/bin/env bash
# Builds the core (no Qt front end) with the address and undefined-behaviour sanitizers in
# build-asan/ and runs every core test suite. Any sanitizer report fails the run.
# Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQS_BUILD_GUI=OFF \
    -DQS_SANITIZE=address,undefined -DQS_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build-asan --output-on-failure -j "$jobs" "$@"
