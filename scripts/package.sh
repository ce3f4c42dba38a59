#!/usr/bin/env bash
# Makes the Debian package build-package/vellumo_<version>-<revision>_<arch>.deb the way Debian builds
# one, and checks it. Installs what is missing first.
#   - Only what the program folder needs is built (no tests, no benchmarks), as a `None` build with the
#     flags of dpkg-buildflags, hardening included (bind now, fortified functions, stack protector).
#   - cpack stages the install rules of packaging/, strips the binaries and makes the package.
#   - lintian must report no error and no warning; the binaries must carry the hardening.
# The folder is build-package/, apart from build/: its flags are the distribution's, not the project's.
# VELLUMO_WERROR=ON in the environment makes its warnings errors (scripts/test.sh does so).
# Install the package with
#   sudo apt install ./build-package/vellumo_<version>-<revision>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cflags="$(dpkg-buildflags --get CFLAGS) $cppflags"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# The flags go in explicitly (not through the environment, which cmake reads on the first run only), so
# that a build folder made before always builds with today's flags.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=None -DVELLUMO_TESTS=OFF -DVELLUMO_BENCH=OFF \
    -DVELLUMO_WERROR="${VELLUMO_WERROR:-OFF}" \
    -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
name=$(sed -n 's/^VELLUMO_PACKAGE_FILE_NAME:INTERNAL=//p' build-package/CMakeCache.txt)
rm -f build-package/vellumo_*.deb
cmake --build build-package -j "$(nproc)" --target package_deb
deb="$(pwd)/build-package/$name"
[ -f "$deb" ] || { echo "package: cpack made no $deb"; exit 1; }

echo "== hardening of the binaries"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
bad=0
# (Each tool's output is taken whole before it is searched: grep -q ending early would fail the pipe.)
while IFS= read -r elf; do
    name=${elf#"$tree"}
    dynamic=$(readelf -d -W "$elf")
    segments=$(readelf -l -W "$elf")
    sections=$(readelf -S -W "$elf")
    grep -Eq 'BIND_NOW|Flags:.* NOW' <<<"$dynamic" || { echo "$name: not linked with -z now"; bad=1; }
    grep -q GNU_RELRO <<<"$segments" || { echo "$name: no RELRO"; bad=1; }
    if grep -Eq ' \.(symtab|debug_info|comment) ' <<<"$sections"; then
        echo "$name: not stripped"
        bad=1
    fi
done < <(find "$tree" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' sh {} \; -print)
symbols=$(readelf --dyn-syms -W "$tree/usr/lib/vellumo/vellumo")
grep -q '__[a-z_]*_chk' <<<"$symbols" || { echo "vellumo: calls no fortified function (_FORTIFY_SOURCE missing)"; bad=1; }
[ "$bad" -eq 0 ] || exit 1
echo "bind now, RELRO, stripped, fortified"

echo "== lintian"
if ! lintian --fail-on error,warning --display-info "$deb"; then
    echo "package: lintian reports errors or warnings on $deb"
    exit 1
fi
echo "lintian: no error, no warning (the overrides, each with its reason: packaging/debian/lintian-overrides)"
echo "$deb"
