#!/bin/bash
# Cross-builds the Qt-free core (platform/core, net, pages, jet, tools/fetch and their tests) for
# 64-bit Windows with Debian's MinGW-w64 compilers and runs its tests under Wine: headless, in a
# private Wine prefix inside the build folder that is made afresh and removed afterwards.
# Warnings are errors. Installs whatever is missing (Debian 12, as root or with sudo).
# Usage: scripts/test-windows.sh [BUILD_DIR]      (default: build-windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build-windows}
mkdir -p "$build"
build=$(cd "$build" && pwd)

scripts/deps.sh windows

toolchain=$root/cmake/mingw-w64-x86_64.cmake
prefix=$build/wine-prefix
gtest=$build/googletest

# Stops this prefix's Wine server (and with it any program still running in the prefix) and
# removes the prefix.
drop_prefix() {
    if [ -d "$prefix" ]; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
        rm -rf "$prefix"
    fi
}
trap drop_prefix EXIT

echo "== GoogleTest for Windows (from /usr/src/googletest)"
cmake -S /usr/src/googletest -B "$gtest/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
cmake --build "$gtest/build" --target install >/dev/null

echo "== build (Windows, MinGW-w64)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZANTREL_NET_ONLY=ON \
    -DZANTREL_WERROR=ON -DGTest_DIR="$gtest/install/lib/cmake/GTest" -DZANTREL_WINEPREFIX="$prefix" \
    >/dev/null
cmake --build "$build" -j"$(nproc)"

echo "== tests (Windows, under Wine)"
drop_prefix
# One Wine server for the whole run, started before the prefix is made: left to itself it ends a
# few seconds after its last program, and a test starting just then can fail to come up at all.
# Started first, it lets wineboot bring up the prefix's services once, writing into the log and
# not into the pipe of the first test that would otherwise have started them.
mkdir -p "$prefix"
WINEPREFIX=$prefix wineserver -p
if ! "$root/cmake/wine-emulator.sh" "$prefix" wineboot -i >"$build/wineboot.log" 2>&1; then
    cat "$build/wineboot.log" >&2
    echo "wineboot failed" >&2
    exit 1
fi
ctest --test-dir "$build" --output-on-failure -j2
