#!/bin/bash
# Runs a Windows program under Wine, headless and quiet, in a given prefix.
# Usage: wine-emulator.sh PREFIX PROGRAM [ARGS...]
# No display is used (ZANTREL_WINE_DISPLAY, when set, is the one given to the program); the Mono and Gecko installers and the menu builder are switched off so
# that no dialog ever waits for an answer.
# Every program sees an English Windows whatever the machine's locale: the ANSI code page is
# 1252, which has no Cyrillic, so a path that goes through the ANSI calls instead of the
# wide-character ones shows in the tests (pages' folder tests name folders in Russian). C.UTF-8
# is there on every Debian system; with a locale the C library lacks, Wine could not write a
# Cyrillic file name on the Linux side at all.
#
# The program's standard output and standard error are passed on as they come, byte for byte,
# each to its own stream. They go to files first, followed as they grow and until the program
# ends (a pipe would stay open as long as any service the program started in the prefix lives),
# so that it is also known whether the program wrote at all.
# Now and then Wine itself fails to start a program (the loader cannot reserve its memory, or
# the prefix's server is going away as the program comes up): the program ends with an error
# before it has written anything on either stream. Such a start is tried again, twice at most.
# A program that wrote anything, on standard output or standard error, or ended well, is never
# run twice.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
[ -z "${ZANTREL_WINE_DISPLAY:-}" ] || export DISPLAY=$ZANTREL_WINE_DISPLAY
# Wine keeps Qt's own variables (QT_*) from the program; it passes WINEQT_* on as QT_*.
while IFS= read -r name; do
    export "WINE$name=${!name}"
done < <(compgen -e | grep '^QT_' || true)

copies=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$copies"' EXIT
trap 'exit 143' TERM INT
# The program reads this script's standard input (a job started with & would get /dev/null).
{ exec 4<&0; } 2>/dev/null || exec 4</dev/null
attempt=1
while :; do
    : >"$copies/out"
    : >"$copies/err"
    env LC_ALL=C.UTF-8 wine "$@" <&4 4<&- >>"$copies/out" 2>>"$copies/err" &
    pid=$!
    tail -c +1 -s 0.05 -f --pid="$pid" "$copies/out" &
    out=$!
    tail -c +1 -s 0.05 -f --pid="$pid" "$copies/err" >&2 &
    err=$!
    status=0
    wait "$pid" || status=$?
    pid=
    wait "$out" "$err"
    if [ "$status" -eq 0 ] || [ -s "$copies/out" ] || [ -s "$copies/err" ] || [ "$attempt" -ge 3 ]; then
        break
    fi
    echo "wine-emulator: $1 ended with status $status before writing anything; starting it again" >&2
    attempt=$((attempt + 1))
done
exit "$status"
