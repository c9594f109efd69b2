#!/bin/bash
# Builds the Debian package zantrel_<version>_<arch>.deb and prints its path as the last line.
# Usage: scripts/package.sh [build-dir [cmake-options...]]
# The build folder defaults to build-release, configured for a Release build with Debian's
# hardening flags when new; an existing build folder is used as it is configured (the tests
# reuse theirs), with the given CMake options added (the test command adds
# -DZANTREL_WERROR=ON). The package lands in <build-dir>/package/.
# The same commit gives the same package: time stamps come from SOURCE_DATE_EPOCH, by default
# the time of the last commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/deps.sh package >&2
build=$(realpath -m -- "${1:-$root/build-release}")
[ $# -gt 0 ] && shift
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH
if [ ! -f "$build/CMakeCache.txt" ]; then
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    # CMake takes no CPPFLAGS: the fortify level goes with the compiler flags.
    export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS" LDFLAGS
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
elif [ $# -gt 0 ]; then
    cmake -S "$root" -B "$build" "$@" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target zantrel_package_files

out=$build/package
rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    exit 1
fi
rm -rf "$out/_CPack_Packages"
debs=("$out"/zantrel_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "package.sh: expected one package in $out" >&2
    exit 1
fi
echo "${debs[0]}"
