#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the benchmarks need.
# Idempotent: when everything is there it only asks dpkg and returns.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev libqt6sql6-sqlite libgl-dev
    libsqlite3-dev sqlite3
    libcurl4-openssl-dev libsmbclient-dev
    googletest libgtest-dev libgmock-dev
    iproute2 openssl xdg-utils python3-pyftpdlib
    dpkg-dev desktop-file-utils
    # The desktop scenarios: an X server, a window manager, a tray host, input and screenshots.
    xvfb openbox trayer xdotool x11-utils imagemagick
    # A private session bus for the desktop portal test.
    dbus-daemon
    # The clipboard of the paste scenarios.
    xclip
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
