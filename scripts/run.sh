#!/usr/bin/env bash
# Builds Vellumo's program folder (build/Vellumo/) and starts it from there. Installs what is missing
# first. Only what the program folder needs is built: the tests and benchmarks are left out (scripts/
# test.sh builds them in the same folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMO_TESTS=OFF -DVELLUMO_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target program
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
exec build/Vellumo/vellumo "$@"
