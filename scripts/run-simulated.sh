#!/usr/bin/env bash
# Builds qs71dr-adj and the virtual radio qt71dr-sim when needed, then starts the program
# against the virtual radio on COM 1. Extra arguments go to qs71dr-adj, for example
#   scripts/run-simulated.sh --sim-fault no-answer
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QS_BUILD_DIR:-build}
scripts/build-programs.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run-simulated.sh: no display to show the window on." >&2
    echo "Start it from a desktop session, or try: xvfb-run -a $0" >&2
    exit 1
fi
exec "$build_dir/bin/qs71dr-adj" --simulate "$@"
