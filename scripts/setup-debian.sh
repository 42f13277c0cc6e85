#!/usr/bin/env bash
# Installs what building, running and testing need on a fresh Debian 12 machine.
# Run as root (or through sudo).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    libgtest-dev libgmock-dev googletest \
    qt6-base-dev qt6-serialport-dev libgl-dev \
    xvfb xauth fonts-liberation \
    libx11-dev libxtst-dev valgrind \
    python3 \
    clang libclang-rt-14-dev >/dev/null
