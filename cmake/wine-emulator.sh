#!/bin/sh
# Runs a Windows program under Wine, headless and quiet, in a given prefix.
# Usage: wine-emulator.sh PREFIX PROGRAM [ARGS...]
# No display is used; the Mono and Gecko installers and the menu builder are switched off so
# that no dialog ever waits for an answer.
#
# Now and then Wine itself fails to start a program (the loader cannot reserve its memory, or
# the prefix's server is going away as the program comes up): the program ends with an error
# before it has written anything. Such a start is tried again, twice at most. A program that
# wrote anything, or ended well, is never run twice; its output is passed on as it was.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

out=$(mktemp)
trap 'rm -f "$out"' EXIT
attempt=1
while :; do
    status=0
    wine "$@" >"$out" || status=$?
    if [ "$status" -eq 0 ] || [ -s "$out" ] || [ "$attempt" -ge 3 ]; then
        break
    fi
    echo "wine-emulator: $1 ended with status $status before writing anything; starting it again" >&2
    attempt=$((attempt + 1))
done
cat "$out"
exit "$status"
