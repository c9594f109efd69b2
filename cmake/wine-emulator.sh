#!/bin/sh
# Runs a Windows program under Wine, headless and quiet, in a given prefix.
# Usage: wine-emulator.sh PREFIX PROGRAM [ARGS...]
# No display is used; the Mono and Gecko installers and the menu builder are switched off so
# that no dialog ever waits for an answer.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
