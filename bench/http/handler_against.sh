#!/usr/bin/env bash
# Builds bench_http_handler (bench/http/bench_handler.cpp of this tree) against the HTTP server of
# another tree and its build, so that bench_http can measure that server beside this one in one run:
#
#   bench/http/handler_against.sh /work/wt/base /work/wt/base/build /tmp/bench_http_handler.base
#   build/bench/bench_http --handler /tmp/bench_http_handler.base --handler build/bench/bench_http_handler \
#       --program /work/wt/base/build/Vellumo --program build/Vellumo
#
# The other tree must have been built (its libhttp_server.a, libplatform_net.a, libplatform_runtime.a).
set -euo pipefail
if [ $# -ne 3 ]; then
    echo "usage: $0 <source tree> <its build folder> <output binary>" >&2
    exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
tree="$(cd "$1" && pwd)"
build="$(cd "$2" && pwd)"
qt_cflags="$(pkg-config --cflags Qt6Core)"
qt_libs="$(pkg-config --libs Qt6Core)"
# shellcheck disable=SC2086
c++ -std=c++20 -O2 -g -DNDEBUG -fPIC -I"$tree" $qt_cflags "$here/bench_handler.cpp" -o "$3" \
    "$build/http_server/libhttp_server.a" "$build/platform/net/libplatform_net.a" \
    "$build/platform/runtime/libplatform_runtime.a" $qt_libs
echo "$3: bench_http_handler against $tree"
