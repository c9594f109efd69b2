#!/bin/bash
# Installs what is missing, builds, makes the demo catalogue and settings store in
# demo-run/, serves the demo site on 127.0.0.1 and starts Zantrel there. Without a display
# the program runs under Xvfb, a screenshot of its main window is saved, and it is closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/deps.sh demo
build=${BUILD_DIR:-$root/build}
scripts/build.sh "$build"

run=$root/demo-run
mkdir -p "$run"
rm -f "$run/bdv.db" "$run/zntconfig.db"

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

port=8080
# The build writes the demo site into the build folder (demo/CMakeLists.txt).
site_server=$build/tools/demo-site/zantrel-demo-site
site=$build/demo/site
if [ -x "$site_server" ] && [ -d "$site" ]; then
    rm -f "$run/site.port"
    "$site_server" --root "$site" --port 0 --port-file "$run/site.port" >/dev/null &
    pids+=($!)
    for _ in $(seq 1 100); do [ -s "$run/site.port" ] && break; sleep 0.05; done
    port=$(cat "$run/site.port")
    echo "Demo site: http://127.0.0.1:$port/"
fi
# Each store is its schema, then the demo rows.
{ cat schema/catalogue.sql; sed "s/@PORT@/$port/g" demo/catalogue.sql; } | sqlite3 "$run/bdv.db"
cat schema/config.sql demo/config.sql | sqlite3 "$run/zntconfig.db"
export ZANTREL_SITE_URL="http://127.0.0.1:$port"

cd "$run"
if [ -n "${DISPLAY:-}" ]; then
    "$build/app/Zantrel"
    # Saving the proxy settings restarts the program: keep the demo site up while any
    # instance started here still runs.
    while pgrep -f "^$build/app/Zantrel\$" >/dev/null; do sleep 1; done
    exit 0
fi

display=99
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$build/app/Zantrel" &
app=$!
pids+=($app)
# The main window's caption, as the build made it from the project version.
caption=$(sed -n 's/^ZANTREL_MAIN_CAPTION:INTERNAL=//p' "$build/CMakeCache.txt")
window=""
for _ in $(seq 1 100); do
    window=$(xwininfo -root -tree 2>/dev/null |
        awk -v name="\"$caption\"" 'index($0, name) {print $1; exit}')
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The main window did not appear." >&2
    exit 1
fi
sleep 1
shot=$run/zantrel-main-window.png
import -window "$window" "$shot"
echo "No display: Zantrel ran under Xvfb. Screenshot of the main window: $shot"
