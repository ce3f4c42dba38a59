#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (Release), the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz drivers for a bounded time, and, with
# VELLUMO_PACKAGE_CHECK=1, the Debian package as scripts/package.sh makes it (checked by lintian).
# Installs what is missing first. Every build here treats warnings as errors (VELLUMO_WERROR), so that
# the tree stays free of them; a user's build only shows them.
# The tests include the desktop scenarios (tests/desktop, label "desktop"): the real program on an X
# server of each scenario's own; the sanitized build runs their short ones (ShortDesktop.*).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

# The habits a command checks come first: they take seconds.
echo "== format and include boundaries (at ${SECONDS} s)"
bash scripts/format.sh --check
bash scripts/check-includes.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
fuzz_seconds=${VELLUMO_FUZZ_SECONDS:-60}
summary=()

run_ctest() { # <build dir> <label>
    local log
    log=$(mktemp)
    if ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 300 2>&1 | tee "$log"; then :; fi
    local line passed failed
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
    rm -f "$log"
    if [ -z "$line" ]; then echo "$2: ctest printed no summary"; return 1; fi
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((total - failed))
    summary+=("$2: $passed passed, $failed failed")
    [ "$failed" -eq 0 ]
}

echo "== build (Release) (at ${SECONDS} s)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUMO_WERROR=ON -DVELLUMO_TESTS=ON -DVELLUMO_BENCH=ON \
    >/dev/null
cmake --build build -j "$jobs"
echo "== tests (at ${SECONDS} s)"
run_ctest build tests

# The sanitizer options are in force for the build too: it runs the tests to list them. The desktop
# scenarios start the program with strict_string_checks=0 instead (see tests/desktop/station.h: the X
# keyboard library trips it when the program connects to the display).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
# use_tls=0: the sanitizer runtime of this compiler misreads the dynamic TLS of the many libraries
# the network neighbourhood pulls in, and its leak check crashes scanning it.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0:use_tls=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "== build (AddressSanitizer, UndefinedBehaviorSanitizer) (at ${SECONDS} s)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMO_SANITIZE=ON -DVELLUMO_WERROR=ON \
    -DVELLUMO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under sanitizers (at ${SECONDS} s)"
run_ctest build-asan "sanitized tests"

if compgen -G "fuzz/*_fuzz.cpp" >/dev/null; then
    echo "== fuzz drivers, ${fuzz_seconds} s in all (at ${SECONDS} s)"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELLUMO_FUZZ=ON -DVELLUMO_WERROR=ON -DVELLUMO_TESTS=OFF -DVELLUMO_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_drivers
    drivers=(build-fuzz/fuzz/*_fuzz)
    per=$((fuzz_seconds / ${#drivers[@]}))
    [ "$per" -ge 5 ] || per=5
    fuzz_ok=0
    fuzz_bad=0
    for d in "${drivers[@]}"; do
        name=$(basename "$d")
        corpus=$(mktemp -d)
        seeds="fuzz/corpus/${name%_fuzz}"
        [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
        if "$d" -max_total_time="$per" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" \
            >"build-fuzz/$name.log" 2>&1; then
            fuzz_ok=$((fuzz_ok + 1))
            echo "$name: ran $per s, no crash, no leak, no hang"
        else
            fuzz_bad=$((fuzz_bad + 1))
            echo "$name: FAILED"
            tail -n 60 "build-fuzz/$name.log"
        fi
        rm -rf "$corpus"
    done
    summary+=("fuzz: $fuzz_ok passed, $fuzz_bad failed")
    [ "$fuzz_bad" -eq 0 ] || { printf '%s\n' "${summary[@]}"; exit 1; }
fi

# The package as a user or a packager makes it: the distribution's flags, stripped, lintian-clean.
# A second build of the program, so only on request (VELLUMO_PACKAGE_CHECK=1): the tests above already
# make the package from the Release build and run lintian on it, and the whole run stays short.
if [ "${VELLUMO_PACKAGE_CHECK:-0}" = 1 ]; then
    echo "== package (dpkg-buildflags, lintian) (at ${SECONDS} s)"
    if VELLUMO_WERROR=ON bash scripts/package.sh; then
        summary+=("package: made, lintian without errors or warnings")
    else
        summary+=("package: FAILED")
        printf '%s\n' "${summary[@]}"
        exit 1
    fi
fi

printf '%s\n' "${summary[@]}" "all in ${SECONDS} s"
