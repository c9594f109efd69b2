#!/bin/bash
# Checks a Debian package of Zantrel.
# Usage: package_test.sh <package-dir> <app-id> <version> <main window caption>
set -euo pipefail
dir=$1
id=$2
version=$3
caption=$4

shopt -s nullglob
debs=("$dir"/zantrel_"$version"_*.deb)
shopt -u nullglob
if [ ${#debs[@]} -ne 1 ]; then
    echo "no single package zantrel_${version}_*.deb in $dir (scripts/package.sh makes it)"
    [ -n "${ZANTREL_PACKAGE_REQUIRED:-}" ] && exit 1
    exit 77
fi
deb=${debs[0]}
echo "package: $deb"

work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
    for p in $program $xvfb; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== fields"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = zantrel ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
depends=$(field Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 libjpeg62-turbo; do
    [[ "$depends" =~ (^|, )$lib( |,|$) ]] || fail "Depends lacks $lib: $depends"
done
recommends=$(field Recommends)
[[ "$recommends" == *"xchm | kchmviewer"* && "$recommends" == *xdg-utils* ]] ||
    fail "Recommends: $recommends"

echo "== files"
dpkg-deb --extract "$deb" "$work/root"
usr=$work/root/usr
files=(bin/zantrel lib/zantrel/Zantrel lib/zantrel/faq.chm
       share/zantrel/bdv.db share/zantrel/zntconfig.db
       "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
       "share/icons/hicolor/scalable/apps/$id.svg"
       share/man/man1/zantrel.1.gz share/doc/zantrel/copyright share/doc/zantrel/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
    png="share/icons/hicolor/${size}x$size/apps/$id.png"
    files+=("$png")
    file -b "$usr/$png" | grep -q "^PNG image data, $size x $size," ||
        fail "$png is not a $size-pixel PNG: $(file -b "$usr/$png" 2>&1)"
done
for f in "${files[@]}"; do
    [ -f "$usr/$f" ] || fail "missing /usr/$f"
done
[ -x "$usr/bin/zantrel" ] && [ -x "$usr/lib/zantrel/Zantrel" ] || fail "not executable"
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sort >"$work/list"
[ "$(wc -l <"$work/list")" -eq "${#files[@]}" ] || fail "unexpected files: $(cat "$work/list")"
# The changelog's newest entry is the version packaged (the project version).
newest=$(zcat "$usr/share/doc/zantrel/changelog.gz" | sed -n 1p)
[[ "$newest" == "zantrel ($version) "* ]] || fail "the changelog's newest entry: $newest"

echo "== desktop entry and metainfo"
desktop-file-validate "$usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml"

echo "== initial stores"
q() { sqlite3 -batch "$1" "$2"; }
[ "$(q "$usr/share/zantrel/zntconfig.db" 'SELECT count(*), adres, port, "check" FROM proxy')" = "1||3128|0" ] ||
    fail "proxy row"
[ "$(q "$usr/share/zantrel/zntconfig.db" 'SELECT count(*), max(autoupdatecheck) FROM autoupdate')" = "1|0" ] ||
    fail "start-up check row"
[ "$(q "$usr/share/zantrel/bdv.db" 'SELECT (SELECT count(*) FROM bdf) + (SELECT count(*) FROM bdm)
    + (SELECT count(*) FROM bds) + (SELECT count(*) FROM bvkf), (SELECT count(*) FROM upbd)')" = "0|1" ] ||
    fail "catalogue"

echo "== lintian"
# Warnings are shown, errors fail.
lintian_ok=yes
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || lintian_ok=""
grep -v "running with root privileges" "$work/lintian.log" || true
[ -n "$lintian_ok" ] || fail "lintian reports errors"

echo "== the launcher, with a new user's HOME"
# A real X server: the main window's caption names it, and every box of the program is a
# window of the program's class captioned with the application title. There is no window
# manager to activate the main window, so the test gives it the focus, as one would; that
# runs the activation handler (the proxy settings, the optional site check).
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
home=$work/home
mkdir "$home"
data=$home/.local/share/zantrel

windows() { xwininfo -root -tree 2>/dev/null || true; }
boxes() { windows | grep '"Zantrel": ("' || true; }
# Starts the launcher, waits for the main window, activates it, gives the handler time to
# run, and ends the program. Fails on a box or when the window does not come.
# Runs the given command (the launcher by default) as a start from the menu would.
launch() {
    env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
        "${@:-$usr/bin/zantrel}" >"$work/program.log" 2>&1 &
    program=$!
}
start_program() {
    launch "$@"
    program=$!
    local main=""
    for _ in $(seq 200); do
        main=$(windows | awk -v name="\"$caption\": (" 'index($0, name) {print $1; exit}')
        [ -n "$main" ] && xwininfo -id "$main" | grep -q "Map State: IsViewable" && break
        main=""
        [ -n "$(boxes)" ] && break
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    if [ -n "$main" ]; then
        xdotool windowfocus "$main"
        sleep 2
    fi
    [ -z "$(boxes)" ] || fail "a box appeared: $(boxes)"
    [ -n "$main" ] || fail "no main window; program output: $(cat "$work/program.log")"
    kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
    [ "$(readlink "/proc/$program/cwd")" = "$data" ] || fail "working directory is not $data"
    [ "$(readlink "/proc/$program/exe")" = "$usr/lib/zantrel/Zantrel" ] || fail "not Zantrel"
    kill "$program"
    wait "$program" 2>/dev/null || true
    program=""
}

start_program
for store in bdv.db zntconfig.db; do
    cmp -s "$data/$store" "$usr/share/zantrel/$store" || fail "$store was not copied"
done

echo "== a second start keeps the user's stores"
q "$data/zntconfig.db" "UPDATE proxy SET adres = 'proxy.test', port = '8080'"
q "$data/bdv.db" "INSERT INTO bdf (films, fhttp) VALUES ('Film', 'http://127.0.0.1:1/f.html')"
cp "$data/zntconfig.db" "$work/zntconfig.db"
cp "$data/bdv.db" "$work/bdv.db"
start_program
cmp -s "$data/zntconfig.db" "$work/zntconfig.db" || fail "the settings store was replaced"
cmp -s "$data/bdv.db" "$work/bdv.db" || fail "the catalogue was replaced"

echo "== a link planted at the name of the launcher's copy is not followed"
rm "$data/zntconfig.db"
echo "the user's own file" >"$work/victim"
# The shell plants the link under its own process id, then becomes the launcher.
start_program sh -c 'ln -s "$1" "$2/.zntconfig.db.$$" && exec "$3"' sh "$work/victim" "$data" \
    "$usr/bin/zantrel"
[ "$(cat "$work/victim")" = "the user's own file" ] || fail "the copy went through the link"
[ -f "$data/zntconfig.db" ] && [ ! -L "$data/zntconfig.db" ] &&
    cmp -s "$data/zntconfig.db" "$usr/share/zantrel/zntconfig.db" ||
    fail "the settings store is not a copy of the initial one"

echo "== a failed start is shown in the program's error box, and the launcher fails"
# Waits for the box, answers it with Enter, and expects the launcher to end with failure.
expect_box() {
    launch
    local box=""
    for _ in $(seq 200); do
        box=$(boxes | awk '{print $1; exit}')
        [ -n "$box" ] && xwininfo -id "$box" | grep -q "Map State: IsViewable" && break
        box=""
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no error box for \"$1\"; output: $(cat "$work/program.log")"
    [ -z "$(windows | grep -F "\"$caption\": (")" ] || fail "the main window came with the box"
    xdotool windowfocus "$box" key Return
    for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    local status=0
    wait "$program" || status=$?
    program=""
    [ "$status" -eq 1 ] || fail "the launcher ended with $status after the box for \"$1\""
    grep -qF "$1" "$work/program.log" || fail "stderr lacks \"$1\": $(cat "$work/program.log")"
}
home=$work/home-file
mkdir -p "$home"
touch "$home/.local"
expect_box "Cannot make the data folder $home/.local/share/zantrel"
# A data folder that is a link to someone else's folder.
home=$work/home-link
mkdir -p "$home/.local/share" "$work/foreign"
[ "$(id -u)" -eq 0 ] && chown 65534 "$work/foreign"
foreign=$work/foreign
[ "$(id -u)" -eq 0 ] || foreign=/
ln -s "$foreign" "$home/.local/share/zantrel"
expect_box "The data folder $home/.local/share/zantrel is not the user's own"
[ -z "$(ls -A "$work/foreign")" ] || fail "stores were copied into the foreign folder"
echo "package checks passed"
