#!/usr/bin/env bash
# Every test suite again under the sanitizers, each configuration built once:
#   build-asan/  address and undefined-behaviour sanitizers over everything, the desktop
#                program, the command line and their tests included (Qt's offscreen platform);
#   build-tsan/  ThreadSanitizer over the suites whose code runs threads of its own: the records
#                writer and sender, the shared PostgreSQL records, the instruments and the
#                USBTMC stream's helper; then the History window's searches beside the window
#                and the command line's records writer (the tsan-built qs71dr-cli, run end to
#                end by the commands that record and search).
# Any sanitizer report fails the run. Usage: scripts/test-sanitizers.sh [asan|tsan]...
# (both when none is named); QS_CTEST_ARGS passes further arguments to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
suppressions=$PWD/scripts/sanitizers
export QT_QPA_PLATFORM=offscreen
read -r -a ctest_args <<<"${QS_CTEST_ARGS:-}"
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(asan tsan)

# Light optimisation keeps the sanitized suites quick; -g1 keeps file and line in the reports.
configure() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
        -DQS_SANITIZE="$2" -DQS_WERROR=ON >/dev/null
}

for run in "${runs[@]}"; do
    case "$run" in
    asan)
        configure build-asan address,undefined
        cmake --build build-asan -j "$jobs"
        ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=0} \
        LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$suppressions/lsan.supp:print_suppressions=0} \
        UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
            ctest --test-dir build-asan --output-on-failure -j "$jobs" "${ctest_args[@]}"
        ;;
    tsan)
        configure build-tsan thread
        cmake --build build-tsan -j "$jobs" --target history_tests history_postgres_tests \
            records_child qt_instrument_tests qt71dr-sim qt_tests qs71dr-cli cli_end_to_end_tests
        export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$suppressions/tsan.supp}
        ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads "${ctest_args[@]}"
        # A report inside the command line ends it with ThreadSanitizer's status, which fails
        # the end-to-end test that ran it.
        ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
            -R '^CliEndToEnd\.(History.*|RecordsThatCannotBeKept.*|TheExampleProcedure.*)$' \
            "${ctest_args[@]}"
        # The History window's searches beside the window, with Qt Gui's own thread pool set
        # aside as well (tsan-qt-pool.supp says why); the later suppressions= wins.
        cat "$suppressions/tsan.supp" "$suppressions/tsan-qt-pool.supp" >build-tsan/tsan-window.supp
        TSAN_OPTIONS=$TSAN_OPTIONS:suppressions=$PWD/build-tsan/tsan-window.supp \
            ctest --test-dir build-tsan --output-on-failure -R '^qt_history_window_tests$' \
            "${ctest_args[@]}"
        ;;
    *)
        echo "test-sanitizers.sh: unknown run '$run' (asan or tsan)" >&2
        exit 2
        ;;
    esac
done
