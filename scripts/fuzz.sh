#!/usr/bin/env bash
# Builds the libFuzzer harnesses in build-fuzz/ (clang, address and undefined-behaviour
# sanitizers) and runs each for a fixed time. Usage: scripts/fuzz.sh [seconds-per-harness]
# The seed corpora in fuzz/corpus/<harness>/ are read, never written: new inputs go to a
# scratch folder. A finding stops the run with the crashing input saved in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DQS_BUILD_GUI=OFF -DQS_BUILD_TESTS=OFF -DQS_BUILD_FUZZ=ON \
    -DQS_SANITIZE=address,undefined >/dev/null
harnesses=(fuzz_driver_receive fuzz_answer_checks fuzz_hex_text fuzz_settings_file fuzz_curves_file
    fuzz_instrument_answers fuzz_procedure_file fuzz_records_url fuzz_connection_file
    fuzz_runs_file)
cmake --build build-fuzz -j "$jobs" --target "${harnesses[@]}"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for h in "${harnesses[@]}"; do
    scratch=build-fuzz/corpus-$h
    mkdir -p "$scratch"
    echo "== $h (${seconds} s)"
    log=build-fuzz/$h.log
    status=0
    build-fuzz/fuzz/$h -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/$h- \
        "$scratch" "fuzz/corpus/$h" >"$log" 2>&1 || status=$?
    grep -E '(DONE|INFO: seed corpus|stat::number_of_executed_units|SUMMARY)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "$h: finding (exit $status); input saved as build-fuzz/$h-*" >&2
        exit "$status"
    fi
done
