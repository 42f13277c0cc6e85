#!/usr/bin/env bash
# Installs what building, running, testing and packaging need on a fresh Debian 12 machine.
# Run it as root, or as a user with sudo: it asks for elevation only when something is
# missing, and then only for apt-get.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest
    qt6-base-dev qt6-serialport-dev libgl-dev
    # Alignment procedure files (TOML).
    libtomlplusplus-dev
    # Charts, their SVG export and the report's PDF; pdftotext reads it back in the tests.
    qt6-charts-dev libqt6opengl6-dev qt6-svg-dev poppler-utils
    # A real browser that lays out the HTML report in the tests (headless).
    chromium
    xvfb xauth fonts-liberation
    # The benchmarks: key presses sent with XTest, instruction counts with callgrind.
    libx11-dev libxtst-dev valgrind
    python3 procps
    # A third-party VISA client for the tests of the virtual service monitor.
    python3-pyvisa-py
    clang libclang-rt-14-dev
    # The service records: Qt SQL's SQLite and PostgreSQL drivers, libpq under the latter (to
    # cut a closing program's link to a server), and a PostgreSQL server that the tests start
    # in a folder of their own.
    libqt6sql6-sqlite libqt6sql6-psql libpq-dev postgresql
    # The Debian package and its checks: dpkg-shlibdeps and file for its dependencies,
    # help2man for the man pages, rsvg-convert for the icon sizes, the two validators.
    dpkg-dev file help2man librsvg2-bin desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup-debian.sh: everything needed is installed."
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup-debian.sh: these packages are missing: ${missing[*]}" >&2
        echo "Run this script as root (su -c $0), or install sudo." >&2
        exit 1
    fi
    echo "setup-debian.sh: installing ${missing[*]} through sudo."
    exec sudo bash "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup-debian.sh: installed ${missing[*]}."
