#!/usr/bin/env bash
# Runs a Windows program under Wine on an Xvfb display of its own, with a Wine server of its
# own (Wine keeps the display its first window had), in the Wine prefix WINEPREFIX, else
# wineprefix in the build folder (the folder above the program's). Its exit status is the
# program's; 77 (skipped) without Xvfb, xdotool, Wine or the IPA Gothic fonts.
# Usage: on_display.sh PROGRAM.exe [ARGUMENTS...]
set -u
program=$(realpath "$1")
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb xdotool wine wineserver; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -d /usr/share/fonts/opentype/ipafont-gothic ] ||
  { echo "SKIP: fonts-ipafont-gothic is not installed"; exit 77; }
export WINEPREFIX=${WINEPREFIX:-$(dirname "$(dirname "$program")")/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

source "$root/tests/e2e/window_e2e_lib.sh"
work=$(mktemp -d)
cleanup() {
  # The server ends with its processes, so that the next program's Wine takes its own display.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A server left by an earlier test holds the display it had.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
start_display
"$root/scripts/wine-prefix.sh" || fail "the Wine prefix $WINEPREFIX could not be made ready"
timeout 150 wine "$program" "$@" </dev/null
