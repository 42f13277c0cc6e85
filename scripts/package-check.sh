#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, tries the installed programs and the
# validators on what it installed, then removes it again. Leaves nothing installed or running.
# Run as root or as a user with sudo; uses build/ like scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QS_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
package=qs71dr-adj
app_id=example.qs71dr.adj
run_seconds=5

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
apt_get() {
    # Waits for another apt or dpkg run instead of failing at once.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}
fail() {
    echo "package-check: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    # On CI it can only be left from a run that was cut short; elsewhere it may be in use.
    [ "${CI:-}" = true ] || fail "$package is installed already; remove it first (apt-get remove $package)"
    apt_get remove -y -qq "$package" >/dev/null
fi

# Same configuration as scripts/test.sh, so the two share one build.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQS_WERROR=ON >/dev/null
cmake --build "$build_dir" -j "$jobs"
rm -rf "$build_dir/package"
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$build_dir"/package/${package}_*.deb)
deb=$(realpath "$deb")
echo "== $(basename "$deb")"
dpkg-deb -f "$deb" Depends

scratch=$(mktemp -d)
chmod 755 "$scratch"
installed=0
program_pid=
cleanup() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    if [ "$installed" -eq 1 ]; then apt_get remove -y -qq "$package" >/dev/null || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# apt-get reads a local package as the user _apt, which must be able to reach the file.
cp "$deb" "$scratch/"
# Set first, so that an install that stops half way is removed as well.
installed=1
apt_get install -y -qq "$scratch/$(basename "$deb")" >/dev/null

bin=/usr/bin
for f in "$bin/qs71dr-adj" "$bin/qt71dr-sim" /usr/share/man/man1/qs71dr-adj.1 \
    /usr/share/man/man1/qt71dr-sim.1 "/usr/share/applications/$app_id.desktop" \
    "/usr/share/metainfo/$app_id.metainfo.xml" /usr/share/icons/hicolor/scalable/apps/qs71dr-adj.svg \
    /usr/share/icons/hicolor/48x48/apps/qs71dr-adj.png; do
    [ -f "$f" ] || fail "the package did not install $f"
done
"$bin/qs71dr-adj" --version | grep -q '^qs71dr-adj ' || fail "qs71dr-adj --version"
"$bin/qt71dr-sim" --version | grep -q '^qt71dr-sim ' || fail "qt71dr-sim --version"
echo "installed: $("$bin/qs71dr-adj" --version)"

# The installed programs keep their settings and backups in a scratch home, not the caller's.
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

[ -x "$bin/qs71dr-cli" ] || fail "the package has no qs71dr-cli"
[ -f /usr/share/man/man1/qs71dr-cli.1 ] || fail "the package has no man page for qs71dr-cli"
echo "qs71dr-cli --simulate --sim-baud 115200 identify:"
timeout 60 "$bin/qs71dr-cli" --simulate --sim-baud 115200 identify ||
    fail "qs71dr-cli --simulate --sim-baud 115200 identify"

# A whole clone read through the installed core and virtual radio, at a pace a cable could
# keep: the frames in the trace, the image as the radio sent it.
timeout 120 "$bin/qs71dr-cli" --simulate --sim-baud 115200 --trace "$scratch/cli-trace.txt" \
    read --image "$scratch/image.bin" >/dev/null || fail "qs71dr-cli --simulate read --image"
[ "$(stat -c %s "$scratch/image.bin")" -eq 32112 ] || fail "qs71dr-cli read --image: not 32112 bytes"
for frame in "E1 identification answer" "E4 data block"; do
    grep -q "RX .*| $frame" "$scratch/cli-trace.txt" ||
        fail "qs71dr-cli read got no '$frame' from the installed virtual radio"
done
echo "qs71dr-cli --simulate read: identified the radio and read its image"

# The desktop program on the offscreen platform with the installed virtual radio: it must
# still run after a few seconds and end cleanly on SIGTERM together with its virtual radio,
# its settings saved. (Nothing in the shipped program presses Connect by itself; the read is
# the command line's above, on the same core.)
QT_QPA_PLATFORM=offscreen "$bin/qs71dr-adj" --simulate --trace "$scratch/trace.txt" \
    >"$scratch/out.txt" 2>"$scratch/err.txt" &
program_pid=$!
sleep "$run_seconds"
if ! kill -0 "$program_pid" 2>/dev/null; then
    cat "$scratch/err.txt" >&2
    fail "qs71dr-adj --simulate ended by itself within $run_seconds s"
fi
sim_pid=$(pgrep -P "$program_pid" -x qt71dr-sim || true)
[ -n "$sim_pid" ] || fail "qs71dr-adj --simulate did not start the installed qt71dr-sim"
kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=
# The offscreen platform's own notice is no failure; anything else on stderr is.
grep -v 'This plugin does not support' "$scratch/err.txt" >"$scratch/errors.txt" || true
if [ "$status" -ne 0 ] || [ -s "$scratch/errors.txt" ]; then
    cat "$scratch/err.txt" >&2
    fail "qs71dr-adj --simulate ended with status $status"
fi
for _ in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.5
done
if kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid"
    fail "the virtual radio outlived qs71dr-adj"
fi
[ -f "$XDG_CONFIG_HOME/qs71dr-adj/RW5120A.rs" ] || fail "no settings file in the config folder"
grep -q "trace started" "$scratch/trace.txt" || fail "qs71dr-adj --trace wrote no trace"
echo "qs71dr-adj --simulate ran ${run_seconds} s and ended cleanly with its virtual radio"

desktop-file-validate "/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"

apt_get remove -y -qq "$package" >/dev/null
installed=0
[ ! -e "$bin/qs71dr-adj" ] || fail "$bin/qs71dr-adj is still there after removal"
echo "package-check: passed"
