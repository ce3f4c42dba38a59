#!/usr/bin/env bash
# Builds Vellumo's program folder (build/Vellumo/) and starts it from there. Installs what is missing
# first. Only what the program folder needs is built: the tests and benchmarks are left out (scripts/
# test.sh builds them in the same folder, with the same build type, so nothing is built twice).
# Without a display the program itself says so and runs on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUMO_TESTS=OFF -DVELLUMO_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target program
exec build/Vellumo/vellumo "$@"
