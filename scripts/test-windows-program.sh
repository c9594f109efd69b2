#!/bin/bash
# Cross-builds the whole program and its tests for 64-bit Windows, against Qt, SQLite and
# libjpeg built for Windows from Debian's sources (scripts/windows-libs.sh, cached), runs the
# tests under Wine, headless, and then the program itself under Wine with an X server
# (tests/windows/smoke-test.sh) against the demo site of the host build. Warnings are errors.
# Installs whatever is missing (Debian 12, as root or with sudo).
# Usage: scripts/test-windows-program.sh [BUILD_DIR [HOST_BUILD_DIR]]
#        (defaults: build-windows-program, and build for the demo site's server)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build-windows-program}
host_build=${2:-build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

scripts/deps.sh windows

prefix=$build/wine-prefix
source "$root/scripts/windows-common.sh"
trap 'drop_prefix "$prefix"' EXIT

echo "== the program for Windows and its zip"
zip=$(scripts/package-windows.sh "$build" -DZANTREL_WERROR=ON | tail -n 1)
echo "$zip"
echo "== build (the tests for Windows)"
cmake --build "$build" -j"$(nproc)"

echo "== tests (Windows, under Wine)"
make_prefix "$prefix" "$build/wineboot.log"
# The faces the windows are laid out for, and one with Cyrillic for everything else: Wine reads
# the faces of the prefix's own Fonts folder, not the system's.
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
for face in "Liberation Sans:style=Regular" "Liberation Sans:style=Bold" "DejaVu Sans:style=Book" \
    "DejaVu Sans:style=Bold"; do
    file=$(fc-match -f '%{file}' "$face")
    case "$file" in
        */LiberationSans-* | */DejaVuSans*) cp "$file" "$fonts/" ;;
        *) echo "no font file for $face (fc-match: $file)" >&2; exit 1 ;;
    esac
done
ctest --test-dir "$build" --output-on-failure -j2

echo "== the program under Wine (smoke test)"
tests/windows/smoke-test.sh "$zip" "$host_build" "$prefix"

echo "== the zip again: the same bytes"
cp "$zip" "$build/first.zip"
rm -f "$build/app/Zantrel.exe" "$build/app/faq.chm"
second=$(scripts/package-windows.sh "$build" | tail -n 1)
cmp "$build/first.zip" "$second"
rm -f "$build/first.zip"
