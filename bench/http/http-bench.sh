#!/usr/bin/env bash
# HTTP client benchmark: zantrel-fetch against curl, side by side, on a private nginx at
# 127.0.0.1.
#
#   1. 10,000 sequential GETs of a 1 KiB page over one kept-alive connection (zantrel-fetch
#      --repeat, one curl process with a URL range, which reuses its connection): requests/s
#      from the wall time of each whole process.
#   2. One 100 MiB body fetched into memory: zantrel-fetch keeps it in a memory buffer, curl
#      writes it to a file on tmpfs (/dev/shm), the command-line tool's way of holding it in
#      memory. MB/s from each client's own transfer time. For comparison the script also shows
#      curl writing to /dev/null, which keeps nothing; ratio_mbps is against curl keeping the
#      body (the tmpfs file), and ratio_mbps_devnull against curl keeping nothing.
#
#   3. The floor under any client that keeps the body: the rate of writing the same number of bytes
#      into fresh memory with no network at all (see fresh_memory_mbps below).
#
# Before timing, both files are fetched once so that neither client meets a cold page cache or the
# write-back of the freshly made 100 MiB file. Medians of RUNS (>= 5) runs, the clients
# alternating their order from run to run. Both clients
# run pinned with taskset to CLIENT_CPUS and nginx to SERVER_CPUS; by default all three share
# one CPU, so that no figure depends on waking a process on another CPU. Prints the figures and
#   ratio_rps=X ratio_mbps=Y   (zantrel-fetch divided by curl)
#
# Environment: BUILD_DIR (default <repo>/build-bench-net, a network-only build), RUNS (7), REQUESTS (10000),
# BIG_MIB (100), CLIENT_CPUS, SERVER_CPUS.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$repo/build-bench-net}"
RUNS="${RUNS:-7}"
REQUESTS="${REQUESTS:-10000}"
BIG_MIB="${BIG_MIB:-100}"
if [ "$RUNS" -lt 5 ]; then RUNS=5; fi

last_cpu=$(($(nproc) - 1))
CLIENT_CPUS="${CLIENT_CPUS:-$last_cpu}"
SERVER_CPUS="${SERVER_CPUS:-$CLIENT_CPUS}"

log() { echo "[http-bench] $*" >&2; }

# --- tools -----------------------------------------------------------------------------------
need_install=()
command -v nginx >/dev/null 2>&1 || [ -x /usr/sbin/nginx ] || need_install+=(nginx)
command -v curl >/dev/null 2>&1 || need_install+=(curl)
command -v taskset >/dev/null 2>&1 || need_install+=(util-linux)
command -v cmake >/dev/null 2>&1 || need_install+=(cmake)
command -v ninja >/dev/null 2>&1 || need_install+=(ninja-build)
if [ "${#need_install[@]}" -gt 0 ]; then
    log "installing ${need_install[*]}"
    # Keep the package's own service from starting: only our private instance runs.
    made_policy=0
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
        chmod +x /usr/sbin/policy-rc.d
        made_policy=1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_install[@]}" >/dev/null
    if [ "$made_policy" = 1 ]; then rm -f /usr/sbin/policy-rc.d; fi
fi
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"

# --- the client ------------------------------------------------------------------------------
log "building zantrel-fetch in $BUILD_DIR"
generator=()
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$repo" -B "$BUILD_DIR" "${generator[@]}" -DZANTREL_NET_ONLY=ON \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" --target zantrel-fetch -j2 >/dev/null
FETCH="$BUILD_DIR/tools/fetch/zantrel-fetch"

# --- the server ------------------------------------------------------------------------------
work="$(mktemp -d /tmp/zantrel-http-bench.XXXXXX)"
nginx_pid=""
cleanup() {
    if [ -n "$nginx_pid" ]; then
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    local p
    for _ in $(seq 1 200); do
        p=$((20000 + RANDOM % 40000))
        if ! (exec 3<>/dev/tcp/127.0.0.1/"$p") 2>/dev/null; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

mkdir -p "$work/www" "$work/logs" "$work/tmp"
head -c 1024 /dev/zero | tr '\0' 'a' >"$work/www/1k.html"
head -c $((BIG_MIB * 1024 * 1024)) /dev/zero >"$work/www/big.bin"
# Written back now rather than by the kernel in the middle of the runs.
sync "$work/www/big.bin" 2>/dev/null || sync
port="$(free_port)"
cat >"$work/nginx.conf" <<EOF
worker_processes 1;
daemon off;
master_process off;
pid $work/nginx.pid;
error_log $work/logs/error.log warn;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    keepalive_requests 1000000;
    keepalive_timeout 60s;
    client_body_temp_path $work/tmp/body;
    proxy_temp_path $work/tmp/proxy;
    fastcgi_temp_path $work/tmp/fastcgi;
    uwsgi_temp_path $work/tmp/uwsgi;
    scgi_temp_path $work/tmp/scgi;
    types { text/html html; application/octet-stream bin; }
    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }
}
EOF
taskset -c "$SERVER_CPUS" "$NGINX" -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 1 100); do
    if curl -s -o /dev/null "http://127.0.0.1:$port/1k.html"; then break; fi
    sleep 0.05
done
curl -s -o /dev/null "http://127.0.0.1:$port/1k.html" || { log "nginx did not start"; exit 1; }
log "nginx on 127.0.0.1:$port (pid $nginx_pid), clients on CPU $CLIENT_CPUS, server on CPU $SERVER_CPUS"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"

small="http://127.0.0.1:$port/1k.html"
big="http://127.0.0.1:$port/big.bin"

now_ns() { date +%s%N; }

# Requests per second of one whole process.
ours_rps() {
    local t0 t1
    t0=$(now_ns)
    taskset -c "$CLIENT_CPUS" "$FETCH" --quiet --repeat "$REQUESTS" "$small"
    t1=$(now_ns)
    awk -v n="$REQUESTS" -v ns=$((t1 - t0)) 'BEGIN { printf "%.1f", n / (ns / 1e9) }'
}
curl_rps() {
    local t0 t1
    t0=$(now_ns)
    taskset -c "$CLIENT_CPUS" curl -s "$small?[1-$REQUESTS]" >/dev/null
    t1=$(now_ns)
    awk -v n="$REQUESTS" -v ns=$((t1 - t0)) 'BEGIN { printf "%.1f", n / (ns / 1e9) }'
}
# MB/s (10^6 bytes) of one transfer, by each client's own clock.
ours_mbps() {
    taskset -c "$CLIENT_CPUS" "$FETCH" --quiet --stats "$big" 2>&1 >/dev/null |
        sed -n 's/.*mbps=\([0-9.]*\).*/\1/p'
}
memdir=/dev/shm
[ -d "$memdir" ] && [ -w "$memdir" ] || memdir="$work"
curl_mbps() {
    local out="$memdir/zantrel-bench-$$.bin"
    taskset -c "$CLIENT_CPUS" curl -s -o "$out" -w '%{size_download} %{time_total}\n' "$big" |
        awk '{ printf "%.1f", $1 / $2 / 1e6 }'
    rm -f "$out"
}
curl_null_mbps() {
    taskset -c "$CLIENT_CPUS" curl -s -o /dev/null -w '%{size_download} %{time_total}\n' "$big" |
        awk '{ printf "%.1f", $1 / $2 / 1e6 }'
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else printf "%.1f\n", (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# Check that the client really fetches what nginx serves before timing it; this also warms the
# page cache for both files.
test "$("$FETCH" "$small" | wc -c)" -eq 1024 || { log "zantrel-fetch returned a wrong body"; exit 1; }
test "$("$FETCH" "$big" | wc -c)" -eq $((BIG_MIB * 1024 * 1024)) ||
    { log "zantrel-fetch returned a wrong big body"; exit 1; }
curl -s -o /dev/null "$big"

ours_r=""; curl_r=""; ours_m=""; curl_m=""; null_m=""
for run in $(seq 1 "$RUNS"); do
    if [ $((run % 2)) -eq 1 ]; then
        a=$(ours_rps); b=$(curl_rps); c=$(ours_mbps); d=$(curl_mbps); e=$(curl_null_mbps)
    else
        b=$(curl_rps); a=$(ours_rps); e=$(curl_null_mbps); d=$(curl_mbps); c=$(ours_mbps)
    fi
    log "run $run: zantrel rps=$a curl rps=$b | zantrel MB/s=$c curl MB/s=$d (to /dev/null $e)"
    ours_r="$ours_r $a"; curl_r="$curl_r $b"; ours_m="$ours_m $c"; curl_m="$curl_m $d"
    null_m="$null_m $e"
done

# The floor under any client that keeps the body: writing BIG_MIB into fresh anonymous memory (on
# huge pages, as the client's buffer), with no network at all. On a virtual machine that hands
# memory free for a while back to its host, the first touch of that memory costs the host's page
# faults: measured three times after 4 s of idle and three times right after the previous
# measurement released its memory; the lowest and the highest are printed with all six.
fresh_memory_mbps() {
    taskset -c "$CLIENT_CPUS" python3 - "$BIG_MIB" "$1" <<'PY'
import mmap, sys, time
size = int(sys.argv[1]) << 20
time.sleep(float(sys.argv[2]))
chunk = b"a" * (1 << 20)
mm = mmap.mmap(-1, size, flags=mmap.MAP_PRIVATE | mmap.MAP_ANONYMOUS)
if hasattr(mmap, "MADV_HUGEPAGE"):
    mm.madvise(mmap.MADV_HUGEPAGE)
start = time.perf_counter()
for _ in range(size >> 20):
    mm.write(chunk)
print("%.1f" % (size / (time.perf_counter() - start) / 1e6))
PY
}
idle_m=""; recent_m=""
if command -v python3 >/dev/null 2>&1; then
    for _ in 1 2 3; do
        idle_m="$idle_m $(fresh_memory_mbps 4)"
        recent_m="$recent_m $(fresh_memory_mbps 0)"
    done
fi

load_after="$(cut -d' ' -f1-3 /proc/loadavg)"
mo_r=$(echo "$ours_r" | median); mc_r=$(echo "$curl_r" | median)
mo_m=$(echo "$ours_m" | median); mc_m=$(echo "$curl_m" | median)
echo "zantrel_rps=$mo_r curl_rps=$mc_r"
mn_m=$(echo "$null_m" | median)
echo "zantrel_mbps=$mo_m curl_mbps=$mc_m curl_devnull_mbps=$mn_m"
echo "(zantrel keeps the body in memory; curl_mbps: curl -o a file on $memdir, which keeps it too;"
echo " curl_devnull_mbps: curl -o /dev/null, which keeps nothing)"
awk -v a="$mo_r" -v b="$mc_r" 'BEGIN { printf "ratio_rps=%.2f\n", a / b }'
echo "ratio_mbps is against curl_mbps (curl keeping the body), ratio_mbps_devnull against curl_devnull_mbps"
awk -v a="$mo_m" -v b="$mc_m" 'BEGIN { printf "ratio_mbps=%.2f\n", a / b }'
awk -v a="$mo_m" -v b="$mn_m" 'BEGIN { printf "ratio_mbps_devnull=%.2f\n", a / b }'
so_m=$(echo "$ours_m" | tr ' ' '\n' | grep -v '^$' | sort -g | head -1)
awk -v a="$so_m" -v b="$mo_m" 'BEGIN { printf "zantrel_mbps_slowest=%s slowest_to_median=%.2f\n", a, a / b }'
if [ -n "$idle_m" ]; then
    all_m=$(echo "$idle_m $recent_m" | tr ' ' '\n' | grep -v '^$' | sort -g)
    echo "fresh_memory_mbps_lowest=$(echo "$all_m" | head -1) fresh_memory_mbps_highest=$(echo "$all_m" | tail -1)" \
        "(writing $BIG_MIB MiB into new memory, no network; after 4 s idle:$idle_m; right after a release:$recent_m)"
fi
echo "load average before: $load_before, after: $load_after ($(nproc) CPUs)"
