# Steps shared by the Windows build scripts; sourced, with $root set to the repository.

# build_gtest TOOLCHAIN DIR: GoogleTest from Debian's source package (/usr/src/googletest),
# built with the given toolchain file and installed into DIR/install (kept when already there).
build_gtest() {
    local toolchain=$1 dir=$2
    [ -f "$dir/install/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
    echo "== GoogleTest for Windows (from /usr/src/googletest)" >&2
    cmake -S /usr/src/googletest -B "$dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$dir/install" >/dev/null
    cmake --build "$dir/build" --target install >/dev/null
}

# drop_prefix PREFIX: stops the prefix's Wine server (and with it any program still running in
# the prefix) and removes the prefix.
drop_prefix() {
    if [ -d "$1" ]; then
        WINEPREFIX=$1 wineserver -k 2>/dev/null || true
        WINEPREFIX=$1 wineserver -w 2>/dev/null || true
        rm -rf "$1"
    fi
}

# make_prefix PREFIX LOG: a new prefix, booted, with one Wine server for the whole run, started
# before the prefix is made: left to itself it ends a few seconds after its last program, and a
# test starting just then can fail to come up at all. Started first, it lets wineboot bring up
# the prefix's services once, writing into LOG and not into the pipe of the first test that
# would otherwise have started them.
make_prefix() {
    drop_prefix "$1"
    mkdir -p "$1"
    WINEPREFIX=$1 wineserver -p
    if ! "$root/cmake/wine-emulator.sh" "$1" wineboot -i >"$2" 2>&1; then
        cat "$2" >&2
        echo "wineboot failed" >&2
        return 1
    fi
}
