#!/usr/bin/env bash
# Builds Vellumo and starts it from its program folder (build/Vellumo/). Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ ! -x build/Vellumo/vellumo ]; then
    echo "Vellumo is built as libraries only so far; there is no program to start yet."
    exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
exec build/Vellumo/vellumo "$@"
