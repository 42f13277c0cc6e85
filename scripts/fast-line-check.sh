#!/usr/bin/env bash
# A line faster than any cable, on a loaded machine: qs71dr-cli reads the virtual radio's
# whole image over a pseudo-terminal at --sim-baud 0 (as fast as the line takes the bytes)
# again and again while two busy processes load every core. Each read must be whole and none
# may end in "COM buffer overflow.". Usage: scripts/fast-line-check.sh [reads] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
reads=${1:-20}
build_dir=${2:-build}
cli="$build_dir/bin/qs71dr-cli"
[ -x "$cli" ] || { echo "fast-line-check: build first ($cli is missing)" >&2; exit 1; }
scratch=$(mktemp -d)
busy=()
cleanup() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
for _ in 1 2; do
    (while :; do :; done) &
    busy+=($!)
done
# The reads change nothing and need no backup; their data folder is a scratch one.
export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
failed=0
for n in $(seq 1 "$reads"); do
    status=0
    timeout 120 "$cli" --simulate --sim-baud 0 --records none read --image "$scratch/image-$n.bin" \
        >"$scratch/out-$n.txt" 2>&1 || status=$?
    size=$(stat -c %s "$scratch/image-$n.bin" 2>/dev/null || echo 0)
    if [ "$status" -ne 0 ] || [ "$size" -ne 32112 ] || grep -q "COM buffer overflow" "$scratch/out-$n.txt"; then
        echo "read $n: status $status, $size bytes:" >&2
        cat "$scratch/out-$n.txt" >&2
        failed=$((failed + 1))
    fi
done
echo "fast-line-check: $((reads - failed)) of $reads reads whole at --sim-baud 0 under load"
[ "$failed" -eq 0 ]
