#!/bin/bash
# The Windows program as a user gets it, started under Wine with an X server: the zip unpacked
# into a folder, the demo stores put into it, the demo site served on 127.0.0.1 by the host
# build's server. Checks that the main window comes with its caption and no box, that the
# player command writes main.html beside the executable with the stream link of the first
# entry of each of the four lists, and that "Выход" ends the program and removes main.html.
# Twice: with the demo catalogue as a SQLite store, and as a Jet 4 file (made by the host
# build's search_catalogue_jet).
# Usage: tests/windows/smoke-test.sh ZIP HOST_BUILD WINEPREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "$1")
host=$(realpath "$2")
export WINEPREFIX=$(realpath "$3")

work=$(mktemp -d)
# Whatever runs in the prefix goes with its server; the program then starts a server of its own,
# and the prefix's desktop, on this test's display.
stop_wine() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}
stop_wine
pids=()
cleanup() {
    stop_wine
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/program.log" ] || { echo "program output:" >&2; cat "$work/program.log" >&2; }
    exit 1
}

python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work"
app=$(echo "$work"/zantrel-*-windows-x86_64)
[ -f "$app/Zantrel.exe" ] || fail "no Zantrel.exe in $zip"

server=$host/tools/demo-site/zantrel-demo-site
[ -x "$server" ] && [ -d "$host/demo/site" ] || fail "no demo site server in $host (build it first)"
"$server" --root "$host/demo/site" --port 0 --port-file "$work/port" >/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || fail "the demo site did not start"
port=$(cat "$work/port")
{ cat "$root/schema/catalogue.sql"; sed "s/@PORT@/$port/g" "$root/demo/catalogue.sql"; } |
    sqlite3 -bail "$work/catalogue.db"
jet_copy=$host/bench/search/search_catalogue_jet
[ -x "$jet_copy" ] || fail "no $jet_copy (build it first)"
"$jet_copy" "$work/catalogue.db" "$work/catalogue.mdb"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

caption=$(sed -n 's/^ZANTREL_MAIN_CAPTION:INTERNAL=//p' "$host/CMakeCache.txt")
windows() { xwininfo -root -tree 2>/dev/null || true; }
# On the X server, as a user sees it (the test command's offscreen platform is for the tests).
unset QT_QPA_PLATFORM

# One start of the program on the catalogue file given.
run() {
    rm -f "$app/bdv.db" "$app/zntconfig.db" "$work/program.log"
    cp "$1" "$app/bdv.db"
    cat "$root/schema/config.sql" "$root/demo/config.sql" | sqlite3 -bail "$app/zntconfig.db"
    started=$(date +%s%N)
    (cd "$app" && ZANTREL_WINE_DISPLAY=$DISPLAY ZANTREL_SITE_URL="http://127.0.0.1:$port" \
        "$root/cmake/wine-emulator.sh" "$WINEPREFIX" ./Zantrel.exe >"$work/program.log" 2>&1) &
    program=$!
    pids+=($program)
    main=""
    for _ in $(seq 600); do
        main=$(windows | awk -v name="\"$caption\"" 'index($0, name) {print $1; exit}')
        [ -n "$main" ] && break
        kill -0 "$program" 2>/dev/null || fail "the program ended before its window came"
        sleep 0.1
    done
    [ -n "$main" ] || fail "no window \"$caption\" on $DISPLAY: $(windows)"
    echo "main window after $((($(date +%s%N) - started) / 1000000)) ms"
    sleep 2
    boxes=$(windows | grep -F '"Zantrel": (' || true)
    [ -z "$boxes" ] || fail "a box came with the main window: $boxes"

    # Points of the client area, from its lower left corner (the area under the menu bar is fixed:
    # 722 x 336, the tab control at the top left, the buttons on the right). The tabs' places are
    # those of the Liberation Sans face in the prefix.
    eval "$(xdotool getwindowgeometry --shell "$main")"
    click() { xdotool mousemove --window "$main" "$1" $((HEIGHT - 336 + $2)) click 1; sleep 0.5; }
    tabs=(55 135 262 375)
    player() { click 590 245; }
    leave() { click 590 280; }

    # Each tab in turn, in the written order, its list's first entry (Ctrl+Home in the list) to the
    # player command: the demo site's stream link of that entry.
    links=(films/0001.flv mult/0001.flv playlists/0001.txt id=160001013)
    for tab in 0 1 2 3; do
        click "${tabs[tab]}" 26
        click 120 150
        xdotool key ctrl+Home
        sleep 0.3
        rm -f "$app/main.html"
        player
        for _ in $(seq 100); do [ -s "$app/main.html" ] && break; sleep 0.1; done
        [ -s "$app/main.html" ] || fail "no main.html beside Zantrel.exe after the player command on tab $tab"
        grep -qF "${links[tab]}" "$app/main.html" ||
            fail "tab $tab: main.html lacks ${links[tab]}: $(cat "$app/main.html")"
    done

    leave
    for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$program" 2>/dev/null && fail "the program still runs after \"Выход\""
    [ ! -e "$app/main.html" ] || fail "main.html is still there after \"Выход\""
    program=""
}

echo "-- the catalogue as a SQLite store"
run "$work/catalogue.db"
echo "-- the catalogue as a Jet 4 file"
run "$work/catalogue.mdb"
echo "Windows smoke test passed."
