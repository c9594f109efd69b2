#!/bin/bash
# Builds the program for 64-bit Windows and makes the folder a Windows user unzips:
# zantrel-<version>-windows-x86_64.zip, whose path is the last line of output. It holds
# Zantrel.exe, the Qt and compiler runtime DLLs it loads (by the list in
# packaging/windows/dlls.txt, which is checked against what the program and its plugins
# import), the platform and style plugins, faq.chm, the initial stores and README.txt.
# Usage: scripts/package-windows.sh [BUILD_DIR [cmake-options...]]
#        (default build-windows-program; a new folder is configured for a Release build with
#        the libraries of scripts/windows-libs.sh, an existing one is used as it is, with the
#        given options added)
# The same commit gives the same bytes: the zip's time stamps come from SOURCE_DATE_EPOCH, by
# default the time of the last commit, and the executable carries no link time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m -- "${1:-$root/build-windows-program}")
[ $# -gt 0 ] && shift

scripts/deps.sh windows >&2
libs=$(scripts/windows-libs.sh | tail -n 1)
[ -f "$libs/.complete" ] || { echo "no Windows libraries at $libs" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH

toolchain=$root/cmake/mingw-w64-x86_64-shared.cmake
gtest=$build/googletest
source "$root/scripts/windows-common.sh"
build_gtest "$toolchain" "$gtest"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$libs" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DGTest_DIR="$gtest/install/lib/cmake/GTest" -DZANTREL_WINEPREFIX="$build/wine-prefix" \
        "$@" >/dev/null
elif [ $# -gt 0 ]; then
    cmake -S "$root" -B "$build" "$@" >/dev/null
fi
echo "== build (Zantrel.exe and faq.chm for Windows)" >&2
cmake --build "$build" -j"$(nproc)" --target Zantrel zantrel_faq >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=zantrel-$version-windows-x86_64
out=$build/package-windows
stage=$out/$name
rm -rf "$out"
mkdir -p "$stage/platforms" "$stage/styles"

strip=x86_64-w64-mingw32-strip
objdump=x86_64-w64-mingw32-objdump
cp "$build/app/Zantrel.exe" "$build/app/faq.chm" "$stage/"
cp "$libs/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$libs/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
while read -r dll; do
    case "$dll" in '' | '#'*) continue ;; esac
    [ -f "$libs/bin/$dll" ] || { echo "$dll is listed but not in $libs/bin" >&2; exit 1; }
    cp "$libs/bin/$dll" "$stage/"
done <packaging/windows/dlls.txt
# The list against what is loaded: every DLL that the program, its plugins and the listed DLLs
# import and that is not part of Windows (here: not in the libraries' folder) must be listed,
# and every listed one must be imported by something.
imports() { "$objdump" -p "$@" | sed -n 's/^\s*DLL Name: //p' | sort -u; }
needed=$(imports "$stage"/*.exe "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll |
    while read -r dll; do if [ -f "$libs/bin/$dll" ]; then echo "$dll"; fi; done | sort -u)
listed=$(grep -v '^\s*\(#\|$\)' packaging/windows/dlls.txt | sort -u)
if [ "$needed" != "$listed" ]; then
    echo "packaging/windows/dlls.txt does not match the DLLs the program loads:" >&2
    diff <(echo "$listed") <(echo "$needed") >&2 || true
    exit 1
fi
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$strip" --strip-unneeded {} +

# The initial stores: each is the store's schema followed by its first rows.
for pair in bdv.db:catalogue.sql zntconfig.db:config.sql; do
    store=${pair%%:*}
    sql=${pair#*:}
    sqlite3 -bail "$stage/$store" ".read schema/$sql" ".read packaging/stores/$sql"
done
# For Notepad: UTF-8 marked as such, lines ending in CR LF.
{ printf '\357\273\277'; sed 's/$/\r/' packaging/windows/README.txt; } >"$stage/README.txt"

zip=$out/$name.zip
python3 - "$out" "$name" "$zip" <<'EOF'
import os, sys, time, zipfile
out, name, path = sys.argv[1:]
when = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for folder, dirs, files in sorted(os.walk(os.path.join(out, name))):
        dirs.sort()
        rel = os.path.relpath(folder, out)
        entry = zipfile.ZipInfo(rel.replace(os.sep, "/") + "/", when)
        entry.external_attr = 0o40755 << 16 | 0x10
        z.writestr(entry, b"")
        for f in sorted(files):
            entry = zipfile.ZipInfo(f"{rel}/{f}".replace(os.sep, "/"), when)
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, f), "rb") as data:
                z.writestr(entry, data.read(), compresslevel=9)
EOF
echo "Unpacked: $(du -sb "$stage" | cut -f1) bytes; zip: $(stat -c %s "$zip") bytes" >&2
echo "$zip"
