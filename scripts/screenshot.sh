#!/usr/bin/env bash
# Retakes docs/console-virtual-radio.png, the README's and the AppStream metadata's picture:
# qs71dr-adj under Xvfb against the virtual radio, after Connect. The window is driven by the
# program's test build, qs71dr-adj-automated, the same program with its automation.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QS_BUILD_DIR:-build}
scripts/build-programs.sh
cmake --build "$build_dir" --target qs71dr-adj-automated -j "$(nproc 2>/dev/null || echo 2)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
picture=$PWD/docs/console-virtual-radio.png
# Connect, then 16 seconds for the read (about 8 s at 115200 bit/s, a pace that cannot
# overflow the receive buffer as full speed can on a busy machine), the items and the first
# readings.
steps="button:0$(printf ';pause%.0s' {1..64});screenshot:$picture;close"
HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data \
    QS71DR_ADJ_AUTOMATE=$steps xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build_dir/bin/qs71dr-adj-automated" --simulate --sim-baud 115200 >/dev/null
echo "screenshot.sh: wrote $picture"
