#!/bin/bash
# Installs what is missing, checks the formatting of the sources, builds, and runs every test:
# the normal build with the checks of the Debian package made from it, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of each fuzzer, the catalogue's
# tests under ThreadSanitizer, the Qt-free core cross-built for Windows with its tests under
# Wine, and the whole program for Windows (its tests and the program itself under Wine, and its
# zip, made twice and compared). Every build treats warnings as errors.
#
# Usage: scripts/test.sh [quick]
#   (none)  everything above
#   quick   the daily step: installs what is missing, builds the normal build and runs its
#           tests (no formatting check, no package, no other build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

step=${1:-all}
case "$step" in
    all | quick) ;;
    *)
        echo "usage: scripts/test.sh [quick]" >&2
        exit 2
        ;;
esac

scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen

if [ "$step" = quick ]; then
    echo "== build"
    scripts/build.sh build -DZANTREL_WERROR=ON
    echo "== tests"
    ctest --test-dir build --output-on-failure -j2
    echo "Quick tests passed."
    exit 0
fi

echo "== formatting"
scripts/check-format.sh

echo "== build"
scripts/build.sh build -DZANTREL_WERROR=ON
echo "== package"
# Made from the build just done, so that the package checks among the tests run on it.
scripts/package.sh build
echo "== tests"
ZANTREL_PACKAGE_REQUIRED=1 ctest --test-dir build --output-on-failure -j2

echo "== build (sanitizers)"
scripts/build.sh build-asan -DZANTREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZANTREL_WERROR=ON
echo "== tests (sanitizers)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2

if [ -x scripts/fuzz-net.sh ]; then
    echo "== fuzzers"
    scripts/fuzz-net.sh "${FUZZ_SECONDS:-15}"
fi
echo "== tests (thread sanitizer: the catalogue and its search)"
# The catalogue reads at start-up and searches on helper threads (catalogue/CatalogueQuery.h).
cmake -S "$root" -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANTREL_WERROR=ON \
    -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target catalogue_test
TSAN_OPTIONS=halt_on_error=1:suppressions=$root/scripts/tsan.supp \
    build-tsan/tests/catalogue/catalogue_test --gtest_brief=1
echo "== release build and package, as README makes them (warnings are errors), made twice"
# scripts/package.sh's own Release build with Debian's hardening flags. The help file is then
# compiled again (another time, another time stamp) and the package made again: same bytes.
first=$(scripts/package.sh build-release -DZANTREL_WERROR=ON | tail -n 1)
cp "$first" build-release/first.deb
rm -f build-release/app/faq.chm
second=$(scripts/package.sh build-release | tail -n 1)
cmp build-release/first.deb "$second"
rm -f build-release/first.deb

echo "== Windows (MinGW-w64 cross build, tests under Wine)"
scripts/test-windows.sh build-windows
echo "== the whole program for Windows (Qt for Windows from the cache or built once)"
scripts/test-windows-program.sh build-windows-program build

echo "All tests passed."
