#!/bin/bash
# Peak resident memory and time of the player command on a 20 MiB page without a line break,
# for each shape of page (see PlayerMemoryBench.cpp), each in a process of its own.
#
# Usage: bench/pages/player-memory-bench.sh [SHAPE...]
#   BUILD_DIR   build folder to use (default: build-bench; bench/build.sh configures and builds it)
#   MIB         page size in MiB (default 20)
#   LIMIT       seconds a shape may run before it is stopped (default 600); a stopped run
#               prints the peak it had reached
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
mib=${MIB:-20}
limit=${LIMIT:-600}
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || shapes=(film-link film-quotes film-lf film-cr serial-embed serial-lt
    serial-repeated serial-distinct plain)

"$root/bench/build.sh" "$build" player_memory_bench

work=$(mktemp -d "${TMPDIR:-/tmp}/zantrel-player-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
for shape in "${shapes[@]}"; do
    "$build/bench/pages/player_memory_bench" "$work/$shape" "$shape" "$mib" &
    pid=$!
    peak=0
    for ((tick = 0; tick < limit * 10; ++tick)); do
        kill -0 "$pid" 2>/dev/null || break
        kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        peak=${kb:-$peak}
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" || true
        awk -v s="$shape" -v t="$limit" -v kb="$peak" \
            'BEGIN { printf "shape=%s\nstopped_after_seconds=%s\npeak_so_far_mb=%.1f\n", s, t, kb / 1024 }'
    else
        wait "$pid" || echo "exit=$?"
    fi
    echo
done
