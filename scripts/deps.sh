#!/bin/bash
# Installs the Debian packages that are missing for one purpose: build, demo, package, test, or
# windows (the MinGW-w64 cross builds and Wine to run their tests).
# Usage: scripts/deps.sh build|demo|package|test|windows|windows-libs
set -euo pipefail

purpose=${1:-build}
# python3 writes the demo site at build time; its http.server is a real peer for the net tests.
# fontconfig's fc-match finds the DejaVu face for the windows' run without their own face.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libsqlite3-dev libjpeg-dev libgtest-dev sqlite3 fonts-dejavu-core fonts-liberation fontconfig
          fp-utils librsvg2-bin python3)
# CPack's dependency scan of the binaries needs dpkg-shlibdeps and file.
packaging=(dpkg-dev file)
case "$purpose" in
    build) ;;
    demo) packages+=(xvfb xauth x11-utils imagemagick procps) ;;
    package) packages+=("${packaging[@]}") ;;
    # The package checks: the desktop files' validators, lintian, and an X server for the
    # program started from the unpacked package; clang-format for the formatting check;
    # mdbtools, the independent reader the Jet test files are checked against.
    test) packages+=(chromium "${packaging[@]}" desktop-file-utils appstream lintian xvfb x11-utils xdotool
                     clang-format mdbtools) ;;
    # The whole program for Windows also runs under Wine with an X server (the smoke test), with
    # the faces copied into Wine's prefix; its initial stores are made with sqlite3, its zip
    # with python3.
    windows) packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix wine64 wine
                       xvfb x11-utils xdotool fontconfig fonts-liberation fonts-dejavu-core sqlite3
                       python3) ;;
    # Qt, SQLite and libjpeg built for Windows from Debian's sources (scripts/windows-libs.sh):
    # the host's Qt tools and CMake files, dpkg-source, and tclsh for SQLite's amalgamation.
    windows-libs) packages=(cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
                            libsqlite3-dev libjpeg-dev dpkg-dev tcl xz-utils) ;;
    *) echo "usage: $0 build|demo|package|test|windows|windows-libs" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
