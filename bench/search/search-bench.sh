#!/bin/bash
# Title search at a million titles: generates a catalogue of 250,000 titles per category,
# then times, through the real main window offscreen, every change of a typed sequence
# until all four lists hold their new result, side by side with a LIKE query per category
# on the same file; start-up until the main window is shown; and the peak resident memory.
#
# Usage: bench/search/search-bench.sh
#   BUILD_DIR   build folder to use (default: build-bench; bench/build.sh configures and builds it)
#   ROWS        titles per category (default 250000)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
rows=${ROWS:-250000}

"$root/bench/build.sh" "$build" search_bench search_catalogue_gen

data=$build/search-data/$rows
mkdir -p "$data"
if [ ! -f "$data/bdv.db" ] || [ ! -f "$data/zntconfig.db" ]; then
    "$build/bench/search/search_catalogue_gen" "$data" "$rows" "$root/demo/config.sql"
fi

cd "$data"
export QT_QPA_PLATFORM=offscreen
# Read the file once so that the start-up figure is not a cold disk's.
cat bdv.db >/dev/null
ZANTREL_BENCH_T0_NS=$(date +%s%N) "$build/bench/search/search_bench"
