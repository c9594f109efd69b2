#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan+UBSan and runs each for a while:
# scripts/fuzz-net.sh [seconds-per-target] (default 20). Installs clang, its fuzzer runtime,
# cmake, ninja, GoogleTest and python3 from Debian packages when missing. Exits non-zero when
# a target finds a crash, a leak or undefined behaviour. Build folder: FUZZ_BUILD_DIR (default
# <repo>/build-fuzz); crash files land in <build>/fuzz-artifacts/.
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

targets=(fuzz_net_uri fuzz_net_response fuzz_net_cookie)
area_of() { local rest="${1#fuzz_}"; echo "${rest%%_*}"; }

log "building in $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DZANTREL_FUZZ=ON -DZANTREL_NET_ONLY=ON -DZANTREL_SANITIZE=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

mkdir -p "$build/fuzz-artifacts"
status=0
for t in "${targets[@]}"; do
    area="$(area_of "$t")"
    seeds="$repo/tests/$area/fuzz/corpus/$t"
    [ -d "$seeds" ] || { log "$t has no seed corpus in $seeds"; status=1; continue; }
    mkdir -p "$build/corpus/$t"
    log "running $t for ${seconds}s"
    if ! (cd "$build/fuzz-artifacts" &&
        "$build/tests/$area/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$t-" \
            "$build/corpus/$t" "$seeds" >"$build/fuzz-artifacts/$t.log" 2>&1); then
        log "$t FAILED; see $build/fuzz-artifacts/$t.log"
        tail -40 "$build/fuzz-artifacts/$t.log" >&2
        status=1
    else
        log "$t clean: $(grep -E 'stat::number_of_executed_units' "$build/fuzz-artifacts/$t.log" | awk '{print $2}') runs," \
            "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/fuzz-artifacts/$t.log" | tail -1)"
    fi
done

# The page builder's and the title search's targets link the program's libraries (the title
# search folds case with Qt Core), so they build in a configuration of their own. Their seeds
# lie in tests/<area>/fuzz/corpus/<target>/; new inputs go to the build folder.
app_build="${FUZZ_APP_BUILD_DIR:-$build-app}"
app_targets=(fuzz_pages_player fuzz_catalogue_search)
log "building ${app_targets[*]} in $app_build"
cmake -S "$repo" -B "$app_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DZANTREL_FUZZ=ON -DZANTREL_SANITIZE=ON >/dev/null
cmake --build "$app_build" -j2 --target "${app_targets[@]}" >/dev/null
for t in "${app_targets[@]}"; do
    area=${t#fuzz_}
    area=${area%%_*}
    mkdir -p "$app_build/corpus/$t"
    log "running $t for ${seconds}s"
    if ! (cd "$build/fuzz-artifacts" &&
        "$app_build/tests/$area/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
            -artifact_prefix="$build/fuzz-artifacts/$t-" \
            "$app_build/corpus/$t" "$repo/tests/$area/fuzz/corpus/$t" \
            >"$build/fuzz-artifacts/$t.log" 2>&1); then
        log "$t FAILED; see $build/fuzz-artifacts/$t.log"
        tail -40 "$build/fuzz-artifacts/$t.log" >&2
        status=1
    else
        log "$t clean: $(grep -E 'stat::number_of_executed_units' "$build/fuzz-artifacts/$t.log" | awk '{print $2}') runs"
    fi
done
exit "$status"
