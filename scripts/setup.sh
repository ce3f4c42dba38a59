#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the package need.
# Idempotent: when everything is there it only asks dpkg and returns. Needs root, or sudo for a user
# (and then asks for the user's password); everything else comes from the system's apt sources.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
    qt6-base-dev libqt6sql6-sqlite libgl-dev
    libsqlite3-dev sqlite3
    libcurl4-openssl-dev libsmbclient-dev
    googletest libgtest-dev libgmock-dev
    git iproute2 openssl xdg-utils python3-pyftpdlib
    # The package (scripts/package.sh, tests/install): CPack's dependency scan runs `file`; lintian and
    # appstreamcli check the package and its metadata.
    dpkg-dev file desktop-file-utils lintian appstream
    # The check on clean Debian roots (scripts/clean-root-check.sh).
    debootstrap
    # The desktop scenarios: an X server, a window manager, a tray host, input and screenshots.
    xvfb openbox trayer xdotool x11-utils imagemagick
    # The HTTP benchmark's comparison server.
    nginx-light
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
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "setup: installing packages needs root: run this as root, or install sudo and let your user use it"
        exit 1
    fi
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
