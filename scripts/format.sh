#!/usr/bin/env bash
# Formats every C++ file git knows of with the .clang-format at the root; with --check, changes
# nothing and fails, naming the files, when any of them is not formatted. `cmake --build build
# --target format` runs the first form.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    bad=()
    for f in "${files[@]}"; do
        clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
    done
    if [ ${#bad[@]} -ne 0 ]; then
        echo "format: ${#bad[@]} file(s) not formatted (run scripts/format.sh):"
        printf '  %s\n' "${bad[@]}"
        exit 1
    fi
    echo "format: ${#files[@]} files formatted"
else
    clang-format -i "${files[@]}"
fi
