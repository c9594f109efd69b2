#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan+UBSan and runs each for a while:
# scripts/fuzz-net.sh [seconds-per-target] (default 20). Installs clang, its fuzzer runtime,
# cmake, ninja, GoogleTest and python3 from Debian packages when missing. Exits non-zero when
# a target finds a crash, a leak or undefined behaviour, or when a build shows a warning.
# Build folder: FUZZ_BUILD_DIR (default <repo>/build-fuzz); crash files land in
# <build>/fuzz-artifacts/.
#
# A target fuzz_<area>_<name> is built from tests/<area>/fuzz/ and starts from the seeds kept in
# the repository in tests/<area>/fuzz/corpus/<target>/; what a run finds goes to
# <build>/corpus/<target>/, never into the repository.
set -euo pipefail

seconds="${1:-20}"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$repo/build-fuzz}"

log() { echo "[fuzz-net] $*" >&2; }

fuzzer_works() {
    local tmp
    tmp="$(mktemp -d)"
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        >"$tmp/t.cpp"
    if clang++ -fsanitize=fuzzer,address,undefined "$tmp/t.cpp" -o "$tmp/t" >/dev/null 2>&1; then
        rm -rf "$tmp"
        return 0
    fi
    rm -rf "$tmp"
    return 1
}

packages=()
command -v cmake >/dev/null 2>&1 || packages+=(cmake)
command -v ninja >/dev/null 2>&1 || packages+=(ninja-build)
[ -f /usr/include/gtest/gtest.h ] || packages+=(libgtest-dev)
command -v python3 >/dev/null 2>&1 || packages+=(python3) # writes the demo site
if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_works; then
    packages+=(clang libclang-rt-dev)
fi
if [ "${#packages[@]}" -gt 0 ]; then
    log "installing ${packages[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${packages[@]}" >/dev/null
fi
fuzzer_works || { log "clang cannot build libFuzzer targets"; exit 1; }

area_of() { local rest="${1#fuzz_}"; echo "${rest%%_*}"; }
mkdir -p "$build/fuzz-artifacts"
status=0

# fuzz_in BUILD_DIR "TARGET..." [CMAKE_OPTION...]: configures BUILD_DIR with clang under
# ASan+UBSan, warnings as errors, builds the targets and runs each for $seconds, from its
# seeds in tests/<area>/fuzz/corpus/<target>/ and what earlier runs found in
# BUILD_DIR/corpus/<target>/, with inputs of up to FUZZ_MAX_LEN bytes (default 64 KiB) and
# FUZZ_TIMEOUT seconds per input (default 10). Crash files and logs go to
# $build/fuzz-artifacts/.
fuzz_in() {
    local dir=$1 t area seeds out max_len=${FUZZ_MAX_LEN:-65536} timeout=${FUZZ_TIMEOUT:-10}
    local -a targets
    read -r -a targets <<<"$2"
    shift 2
    log "building ${targets[*]} in $dir"
    mkdir -p "$dir"
    if ! { cmake -S "$repo" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DZANTREL_FUZZ=ON -DZANTREL_SANITIZE=ON -DZANTREL_WERROR=ON "$@" &&
        cmake --build "$dir" -j2 --target "${targets[@]}"; } >"$dir/fuzz-build.log" 2>&1; then
        tail -60 "$dir/fuzz-build.log" >&2
        log "the build in $dir failed; see $dir/fuzz-build.log"
        status=1
        return
    fi
    for t in "${targets[@]}"; do
        area="$(area_of "$t")"
        seeds="$repo/tests/$area/fuzz/corpus/$t"
        [ -d "$seeds" ] || { log "$t has no seed corpus in $seeds"; status=1; continue; }
        out="$build/fuzz-artifacts/$t-max$max_len.log"
        mkdir -p "$dir/corpus/$t"
        log "running $t for ${seconds}s, inputs up to $max_len bytes"
        if ! (cd "$build/fuzz-artifacts" &&
            "$dir/tests/$area/fuzz/$t" -max_total_time="$seconds" -timeout="$timeout" \
                -rss_limit_mb=2048 -max_len="$max_len" -len_control="${FUZZ_LEN_CONTROL:-100}" \
                -print_final_stats=1 \
                -artifact_prefix="$build/fuzz-artifacts/$t-" \
                "$dir/corpus/$t" "$seeds" >"$out" 2>&1); then
            log "$t FAILED; see $out"
            tail -40 "$out" >&2
            status=1
        else
            log "$t clean: $(grep -E 'stat::number_of_executed_units' "$out" | awk '{print $2}') runs," \
                "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$out" | tail -1)"
        fi
    done
}

# The network library's targets in a build of the Qt-free core alone.
fuzz_in "$build" "fuzz_net_uri fuzz_net_response fuzz_net_cookie fuzz_jet_file" -DZANTREL_NET_ONLY=ON
# The page builder's and the title search's targets link the program's libraries (the title
# search folds case with Qt Core), so they build in a configuration of their own.
fuzz_in "${FUZZ_APP_BUILD_DIR:-$build-app}" "fuzz_pages_player fuzz_catalogue_search"
# The markup filter's cost must stay linear whatever the page's shape: a second, short run of
# the player page's target with inputs of up to 1 MiB (tried at once, not grown into slowly),
# each allowed a few seconds. (The configuration is the one just built, so only the run is
# added.)
FUZZ_MAX_LEN=1048576 FUZZ_TIMEOUT=5 FUZZ_LEN_CONTROL=0 fuzz_in "${FUZZ_APP_BUILD_DIR:-$build-app}" "fuzz_pages_player"
exit "$status"
