#!/bin/sh
# Loads the player page of every category in headless Chromium and checks what a person
# would see: the wait banner, the player with its addresses, the notice below it.
# usage: browser_test.sh MAKE_PAGES DEMO_SITE_SERVER DEMO_SITE_DIR BUILD_DIR
# Exits 77 (skipped) when Chromium is not installed.
set -u
MAKER=$1
SERVER=$2
SITE=$3
BUILD=$4

if ! command -v chromium >/dev/null 2>&1; then
    echo "chromium is not installed: skipped"
    exit 77
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zantrel-browser-XXXXXX")
SERVER_PID=
cleanup() {
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID" 2>/dev/null
        wait "$SERVER_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

"$SERVER" --root "$SITE" --port 0 --port-file "$WORK/port" >/dev/null &
SERVER_PID=$!
i=0
while [ ! -s "$WORK/port" ] && [ $i -lt 300 ]; do
    sleep 0.1
    i=$((i + 1))
done
if [ ! -s "$WORK/port" ]; then
    echo "FAIL: the demo site server did not start"
    exit 1
fi
BASE="http://127.0.0.1:$(cat "$WORK/port")"

# The pages, and where the writer put each: "<category> <path>" lines.
mkdir -p "$WORK/out"
"$MAKER" "$WORK/out" "$SITE" "$BASE" >"$WORK/pages" || exit 1
page_of() { awk -v c="$1" '$1 == c { print $2 }' "$WORK/pages"; }
# Every category the maker wrote a page for, in the order of the category table.
CATEGORIES=$(awk '{ print $1 }' "$WORK/pages")

browser() {
    profile=$(mktemp -d "$WORK/profile-XXXXXX")
    timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" "$@" 2>>"$WORK/chromium.log"
}

failures=0
fail() {
    echo "FAIL [$1]: $2"
    failures=$((failures + 1))
}

# expect CATEGORY DOM TEXT: the serialised document holds TEXT.
expect() {
    grep -qF -- "$3" "$2" || fail "$1" "missing: $3"
}

# expect_before CATEGORY DOM FIRST SECOND: FIRST stands before SECOND in the document.
expect_before() {
    awk -v a="$3" -v b="$4" 'BEGIN { RS = "\001" } {
        i = index($0, a); j = index($0, b); exit !(i > 0 && j > i) }' "$2" ||
        fail "$1" "not in order: '$3' before '$4'"
}

BANNER='<body><div align="center"><b>ПОДОЖДИТЕ ПОКА ЗАГРУЗИТСЯ ПРОИГРОВАТЕЛЬ</b></div>'
NOTICE='Видео не запускается? Обновите <a href="http://get.adobe.example/flashplayer/">Flash Player</a> и сообщите нам о неработающей ссылке через <a href="mailto:support@zantrel.example">службу поддержки'

for category in $CATEGORIES; do
    page=$(page_of "$category")
    if [ ! -s "$page" ]; then
        fail "$category" "no player page written"
        continue
    fi
    dom="$WORK/$category.dom"
    if ! browser --dump-dom "file://$page" >"$dom" || [ ! -s "$dom" ]; then
        fail "$category" "chromium could not load $page"
        continue
    fi
    expect "$category" "$dom" "$BANNER"
    expect "$category" "$dom" "$NOTICE"
    case $category in
    films | mult)
        player="<object id=\"videoplayer5655\" type=\"application/x-shockwave-flash\" data=\"$BASE/player/player.swf\" width=\"500\" height=\"375\">"
        expect "$category" "$dom" "$player"
        expect "$category" "$dom" "<param name=\"movie\" value=\"$BASE/player/player.swf\">"
        expect "$category" "$dom" "<param name=\"flashvars\" value=\"comment=Korvex&amp;st=$BASE/player/video18-805.txt&amp;file=http://flv.videohost.example/$category/0001.flv\">"
        expect "$category" "$dom" '<param name="allowScriptAccess" value="always">'
        ;;
    serials)
        player='<object id="serialplayer1" type="application/x-shockwave-flash" data="http://serial.videohost.example/player.swf" width="607" height="360"><param name="movie" value="http://serial.videohost.example/player.swf"><param name="allowFullScreen" value="true"><param name="flashvars" value="pl=http://serial.videohost.example/playlists/0001.txt"></object>'
        expect "$category" "$dom" "$player"
        ;;
    vk)
        player='<div align="center"><iframe src="http://vk.example/video_ext.php?oid=-10007&amp;id=160001013&amp;hash='
        expect "$category" "$dom" "$player"
        expect "$category" "$dom" '" width="607" height="360" frameborder="0"></iframe>'
        ;;
    *)
        fail "$category" "no player is expected for this category here"
        continue
        ;;
    esac
    expect_before "$category" "$dom" "$BANNER" "$player"
    expect_before "$category" "$dom" "$player" "$NOTICE"
done

# One picture of a player page for a person to look at.
browser --screenshot="$BUILD/pages-browser.png" --window-size=800,600 \
    "file://$(page_of films)" >/dev/null || fail films "no screenshot"
[ -s "$BUILD/pages-browser.png" ] || fail films "the screenshot is empty"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed; Chromium's messages:"
    tail -20 "$WORK/chromium.log"
    for category in $CATEGORIES; do
        echo "--- $category"
        cat "$WORK/$category.dom" 2>/dev/null
    done
    exit 1
fi
echo "all player pages look right in Chromium; screenshot: $BUILD/pages-browser.png"
