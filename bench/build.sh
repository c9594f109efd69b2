#!/bin/bash
# Builds benchmark targets of the whole program in a Release folder of their own:
#   bench/build.sh BUILD_DIR TARGET...
# The folder is (re)configured every time, so a folder first made for another purpose (the
# network-only build of the HTTP benchmark, say) cannot leave a target out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTREL_NET_ONLY=OFF >/dev/null
cmake --build "$build" -j2 --target "$@" >/dev/null
