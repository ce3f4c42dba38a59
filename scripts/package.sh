#!/usr/bin/env bash
# Builds the Debian package build/vellumo_<version>_amd64.deb: what the program folder needs (not the
# tests and benchmarks), then cpack. Installs what is missing first. Install it with
#   sudo apt install ./build/vellumo_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMO_TESTS=OFF -DVELLUMO_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target package_deb
ls -1 "$(pwd)"/build/vellumo_*.deb
