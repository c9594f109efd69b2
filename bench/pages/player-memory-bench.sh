#!/bin/bash
# Peak resident memory of the player command on a 20 MiB page without a line break, for
# each shape of page (see PlayerMemoryBench.cpp), each in a process of its own.
#
# Usage: bench/pages/player-memory-bench.sh
#   BUILD_DIR   build folder to use (default: build-bench; bench/build.sh configures and builds it)
#   MIB         page size in MiB (default 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
mib=${MIB:-20}

"$root/bench/build.sh" "$build" player_memory_bench

work=$(mktemp -d "${TMPDIR:-/tmp}/zantrel-player-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
for shape in film-link serial-embed plain; do
    "$build/bench/pages/player_memory_bench" "$work/$shape" "$shape" "$mib"
    echo
done
