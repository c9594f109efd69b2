#!/bin/bash
# Builds the libraries the whole program needs on Windows, from Debian's own source packages of
# the versions this machine has: Qt (Core, Gui, Widgets, Test; the windows, offscreen and minimal
# platform plugins and the Windows Vista style), SQLite and libjpeg-turbo, cross-compiled with the
# posix-threads MinGW-w64 compilers (cmake/mingw-w64-x86_64-shared.cmake). Qt's tools (moc, rcc,
# uic) are the host's, from qt6-base-dev-tools.
#
# The result goes into a cache outside any build folder, keyed by the source versions, the
# compiler's version and a hash of this script and the toolchain file, so only the first run on a
# machine pays; a changed key builds afresh. The prefix's path is the last line of output; pass it
# as CMAKE_PREFIX_PATH (it can be moved: Qt finds itself relative to its own files).
#
# Nothing is downloaded but Debian's source packages, from the mirror that apt already uses; when
# apt has no source entry, one is added for the same mirror and suites. A refused download or a
# failed build stops the script with its reason.
# Usage: scripts/windows-libs.sh      (ZANTREL_WINDOWS_LIBS_CACHE chooses the cache folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64-shared.cmake

"$root/scripts/deps.sh" windows-libs >&2

version_of() { dpkg-query -W -f='${Version}' "$1"; }
qt_version=$(version_of qt6-base-dev)
sqlite_version=$(version_of libsqlite3-dev)
jpeg_version=$(version_of libjpeg62-turbo-dev)
gcc_version=$(version_of g++-mingw-w64-x86-64-posix)
script_hash=$(cat "$0" "$toolchain" | sha256sum | cut -c1-12)
key=$(printf 'qt-%s_sqlite-%s_jpeg-%s_mingw-%s_%s' "$qt_version" "$sqlite_version" "$jpeg_version" \
    "$gcc_version" "$script_hash" | tr -c 'A-Za-z0-9._\n-' '_')
cache=${ZANTREL_WINDOWS_LIBS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zantrel/windows-libs}
prefix=$cache/$key
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
work=$(mktemp -d "${TMPDIR:-/tmp}/zantrel-windows-libs.XXXXXX")
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"

# Fetches and unpacks one source package of exactly the given version into $work/$1.
fetch_source() {
    local package=$1 version=$2
    (cd "$work" && apt-get source -qq --download-only "$package=$version") >&2 2>&1 || return 1
    # apt has checked the files against the mirror's signed index; dpkg-source's own warnings
    # (no keyring for the uploader's signature) go to a log.
    dpkg-source -x "$work/${package}_${version#*:}.dsc" "$work/$package" >>"$work/unpack.log" 2>&1 ||
        { cat "$work/unpack.log" >&2; echo "dpkg-source could not unpack $package" >&2; return 1; }
}
# Debian's images list binary packages only; the source entry mirrors the binary one.
add_source_entry() {
    local list=/etc/apt/sources.list.d/debian.sources
    [ -f "$list" ] || { echo "no $list to take the mirror from" >&2; return 1; }
    echo "Adding a deb-src entry for the mirror and suites of $list" >&2
    sed 's/^Types: deb$/Types: deb-src/' "$list" | $SUDO tee /etc/apt/sources.list.d/zantrel-src.sources >/dev/null
    $SUDO apt-get update -qq >&2
}
if ! fetch_source qt6-base "$qt_version"; then
    add_source_entry
    fetch_source qt6-base "$qt_version" || { echo "apt-get source qt6-base=$qt_version failed" >&2; exit 1; }
fi
fetch_source sqlite3 "$sqlite_version" || { echo "apt-get source sqlite3=$sqlite_version failed" >&2; exit 1; }
fetch_source libjpeg-turbo "$jpeg_version" || { echo "apt-get source libjpeg-turbo failed" >&2; exit 1; }

jobs=$(nproc)
start=$(date +%s)

echo "== SQLite for Windows ($sqlite_version)" >&2
# The amalgamation is made on the host (it needs tclsh), then compiled as a static library.
(cd "$work/sqlite3" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null) >&2
mkdir -p "$prefix/include" "$prefix/lib"
x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
    -c "$work/sqlite3/sqlite3.c" -o "$work/sqlite3.o"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/sqlite3/sqlite3.h" "$work/sqlite3/sqlite3ext.h" "$prefix/include/"

echo "== libjpeg-turbo for Windows ($jpeg_version)" >&2
cmake -S "$work/libjpeg-turbo" -B "$work/jpeg-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DWITH_SIMD=OFF -DENABLE_SHARED=OFF \
    -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF >/dev/null
cmake --build "$work/jpeg-build" -j"$jobs" --target install >/dev/null

echo "== Qt for Windows ($qt_version)" >&2
# Only what the program and its tests use. Facts of Debian's source: the tablet header is removed
# (tabletevent off); OpenGL off needs INPUT_opengl=no as well, or dynamic OpenGL stays; without
# Direct2D the DirectWrite 3 font database does not link. Qt's bundled zlib, PCRE2, libpng,
# HarfBuzz, FreeType and double-conversion, so that nothing else is needed.
cmake -S "$work/qt6-base" -B "$work/qt-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_icu=OFF -DFEATURE_sql_sqlite=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_doubleconversion=OFF >"$work/qt-configure.log" 2>&1 ||
    { tail -40 "$work/qt-configure.log" >&2; echo "Qt's configure failed" >&2; exit 1; }
cmake --build "$work/qt-build" -j"$jobs" >"$work/qt-build.log" 2>&1 ||
    { tail -40 "$work/qt-build.log" >&2; echo "Qt's build failed" >&2; exit 1; }
cmake --install "$work/qt-build" >/dev/null
# The runtime DLLs of the compilers, which Qt and the program link against, beside Qt's own.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)" "$prefix/bin/"
done

echo "Built in $(($(date +%s) - start)) s" >&2
touch "$prefix/.complete"
echo "$prefix"
