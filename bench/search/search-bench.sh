#!/bin/bash
# Title search at a million titles: generates a catalogue of 250,000 titles per category,
# then times, through the real main window offscreen, every change of a typed sequence
# until all four lists hold their new result, side by side with a LIKE query per category
# on the same file; start-up until the main window is shown; and the peak resident memory.
#
# Usage: bench/search/search-bench.sh
#   BUILD_DIR   build folder to use (default: build-bench; bench/build.sh configures and builds it)
#   ROWS        titles per category (default 250000)
#   FORMAT      sqlite (default) or jet4: the same catalogue as a Jet 4 file, the baseline
#               queries on its SQLite copy
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
rows=${ROWS:-250000}

format=${FORMAT:-sqlite}

"$root/bench/build.sh" "$build" search_bench search_catalogue_gen search_catalogue_jet

data=$build/search-data/$rows
mkdir -p "$data"
if [ ! -f "$data/bdv.db" ] || [ ! -f "$data/zntconfig.db" ]; then
    "$build/bench/search/search_catalogue_gen" "$data" "$rows" "$root/demo/config.sql"
fi

if [ "$format" = jet4 ]; then
    mkdir -p "$data/jet4"
    if [ ! -f "$data/jet4/bdv.db" ]; then
        "$build/bench/search/search_catalogue_jet" "$data/bdv.db" "$data/jet4/bdv.db"
    fi
    cp "$data/zntconfig.db" "$data/jet4/zntconfig.db"
    export ZANTREL_BENCH_BASELINE_DB=$data/bdv.db
    data=$data/jet4
elif [ "$format" != sqlite ]; then
    echo "FORMAT is sqlite or jet4" >&2
    exit 2
fi

cd "$data"
export QT_QPA_PLATFORM=offscreen
# Read the file once so that the start-up figure is not a cold disk's.
cat bdv.db >/dev/null
ZANTREL_BENCH_T0_NS=$(date +%s%N) "$build/bench/search/search_bench"
