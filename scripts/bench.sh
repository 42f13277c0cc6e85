#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ (optimised) and runs them; they print figures with
# their bounds and never fail on timing. Usage: scripts/bench.sh [idle-seconds]
# The clone read and the real program run once for each way a cable delivers the radio's
# bytes (ARRIVALS, default "byte chunks bursts"; see qt71dr-sim --help).
# The start-up figure needs the Qt program; it is built when Qt is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
idle=${1:-60}
arrivals=${ARRIVALS:-byte chunks bursts}
jobs=$(nproc 2>/dev/null || echo 2)
gui=OFF
if pkg-config --exists Qt6Widgets Qt6SerialPort 2>/dev/null; then gui=ON; fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQS_BUILD_TESTS=OFF \
    -DQS_BUILD_BENCH=ON -DQS_BUILD_GUI=$gui >/dev/null
targets=(bench_clone_read_pty bench_core bench_startup bench_receive_cost)
if pkg-config --exists x11 xtst 2>/dev/null; then targets+=(bench_real_program); fi
if [ "$gui" = ON ]; then
    targets+=(qs71dr-adj-automated qs71dr-cli qt71dr-sim bench_idle_reference bench_records)
fi
cmake --build build-bench -j "$jobs" --target "${targets[@]}"

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
for arrival in $arrivals; do
    if [ -x build-bench/bench/bench_clone_read_pty ]; then
        build-bench/bench/bench_clone_read_pty --arrival="$arrival"
        echo
    fi
done
build-bench/bench/bench_core --idle-seconds="$idle"
echo
# The program's test build: the same program, with the automation the benchmarks drive it by.
adj=$(find build-bench -type f -name qs71dr-adj-automated -perm -u+x | head -n 1)
build-bench/bench/bench_startup ${adj:+"$adj"}
echo
build-bench/bench/bench_receive_cost
if [ -x build-bench/bench/bench_records ]; then
    echo
    build-bench/bench/bench_records
fi
# The example procedure on the virtual bench (about 2 minutes: the clone read is 96 s of line
# time): its wall time from the first step to the end over the least the line, the console's
# waits after commands, the instruments' answers and the wait steps allow.
cli=build-bench/bin/qs71dr-cli
if [ -x "$cli" ]; then
    echo
    scratch=$(mktemp -d)
    XDG_DATA_HOME="$scratch" TMPDIR="$scratch" "$cli" --simulate --json run \
        docs/procedures/virtual-bench.toml --yes >"$scratch/run.json" 2>/dev/null || true
    python3 - "$scratch/run.json" <<'PY'
import json, sys
try:
    run = json.load(open(sys.argv[1]))["run"]
except (OSError, ValueError, KeyError):
    print("procedure virtual-bench.toml: no run record (the run failed)")
    sys.exit(0)
pace, wall = run["pace"], run["durationMs"]
least = max(1, pace["leastMs"])
print(f"procedure virtual-bench.toml: {run['verdict']}, {wall} ms wall, least {least} ms "
      f"(line {pace['lineBytes']} bytes at {pace['baud']} bit/s, waits {pace['afterCommandWaitMs']} ms, "
      f"instruments {pace['instrumentMs']} ms, wait steps {pace['technicianMs']} ms)")
print(f"  ratio {wall / least:.3f} (bound 1.05)")
PY
    rm -rf "$scratch"
fi
# Several radios at once (about 5 minutes: one run alone, then four at once, each at 9600
# bit/s): the wall-time ratio and each program's processor time.
if [ -x "$cli" ]; then
    echo
    python3 bench/several_radios.py --bin build-bench/bin || true
fi
# The real program on a virtual X display against the virtual radio (about 4 minutes for
# each arrival: the clone read alone is 96 s of line time). The machine may be shared:
# processor times are little affected by other load, wall-clock latencies are.
if [ -n "$adj" ] && [ -x build-bench/bench/bench_real_program ] && command -v xvfb-run >/dev/null; then
    for arrival in $arrivals; do
        echo
        xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/bench_real_program \
            --adj="$adj" --sim=build-bench/sim/qt71dr-sim --idle-seconds="$idle" \
            --reference=build-bench/bench/bench_idle_reference --arrival="$arrival"
    done
fi
