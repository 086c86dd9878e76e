#!/usr/bin/env bash
# Regenerates docs/screenshot.png: the window on the demo folder under Xvfb, with one row
# edited (white on blue) and the text editor open over a title that no longer fits, so
# that the byte counter shows in red. Then docs/pattern-dialog.png: the window on a folder
# whose names hold artists and titles, the fill of tags from file names (Ctrl+T) with
# "* %artist% - %title%" typed into its dialog.
# Usage: scripts/screenshot.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
source "$root/scripts/ensure-packages.sh"
ensure_packages xvfb xdotool imagemagick
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvane -j2 >/dev/null

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
python3 "$root/scripts/make-demo-folder.py" "$work/demo"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# open_window FOLDER: starts the window on FOLDER and waits for it (its id in $window).
open_window() {
  "$build/app/quorvane" "$1" >/dev/null 2>&1 &
  pids+=($!)
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no window appeared on $1" >&2; exit 1; }
  sleep 1
}
open_window "$work/demo"

# Cells: grid at (129, 36), 2-pixel border, 20-pixel rows, 140-pixel columns.
cell() { xdotool mousemove --window "$window" $((131 + $2 * 140 + 70)) $((38 + $1 * 20 + 10)) click 1; sleep 0.3; }
cell 3 1                  # title of the third row; Enter leaves the editor on its artist
xdotool key ctrl+a; xdotool type --delay 30 "Blue Morning (Live)"; xdotool key Return; sleep 0.3
cell 1 1                  # title of the first row
xdotool key End; xdotool type --delay 30 " (long version, remastered)"; sleep 0.5

mkdir -p "$root/docs"
import -window "$window" "$root/docs/screenshot.png"
echo "wrote $root/docs/screenshot.png"

# The pattern dialog, on a folder of its own, in a second start.
kill "${pids[1]}"
wait "${pids[1]}" 2>/dev/null || true
python3 "$root/scripts/make-demo-folder.py" "$work/named" --names
open_window "$work/named"
cell 1 2
xdotool key ctrl+t
dialog=
for _ in $(seq 100); do
  dialog=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | grep -vx "$window" | head -n 1) &&
    [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "no pattern dialog appeared" >&2; exit 1; }
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key ctrl+a; xdotool type --delay 30 '* %artist% - %title%'; sleep 0.5
import -window "$dialog" "$root/docs/pattern-dialog.png"
echo "wrote $root/docs/pattern-dialog.png"
