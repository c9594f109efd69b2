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

source "$root/scripts/windows-common.sh"
trap 'drop_prefix "$prefix"' EXIT

build_gtest "$toolchain" "$gtest"

echo "== build (Windows, MinGW-w64)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZANTREL_NET_ONLY=ON \
    -DZANTREL_WERROR=ON -DGTest_DIR="$gtest/install/lib/cmake/GTest" -DZANTREL_WINEPREFIX="$prefix" \
    >/dev/null
cmake --build "$build" -j"$(nproc)"

echo "== tests (Windows, under Wine)"
make_prefix "$prefix" "$build/wineboot.log"
ctest --test-dir "$build" --output-on-failure -j2
