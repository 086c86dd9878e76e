#!/usr/bin/env bash
# The Windows window under Wine and Xvfb: opens a folder whose tags are in code page 932,
# edits a title cell with the mouse and keyboard, saves, answers the question with Enter,
# and checks the file's bytes; a wheel over the drive list changes nothing, and after a
# wheel over the sheet the hidden editor still has the keys; text hidden by the wheel before
# Enter is asked about and saved; a folder that goes away before Save keeps the sheet until
# it is back; the close box and Quit ask before unsaved edits are dropped. Started again on
# twenty files named "NN Artist NN - Title NN", it opens the sheet's menu with a right click,
# fills the tags from the names through the pattern dialog (Ctrl+T), undoes and redoes that,
# saves and checks every file's bytes. Leaves screenshots of the sheet, boxes, menu and
# dialog at SCREENSHOT and SCREENSHOT-*. The Wine prefix is
# WINEPREFIX, else wineprefix in the build folder (the folder above the program's), made
# ready by scripts/wine-prefix.sh.
# Its message boxes are read with BOX_TEXT (tests/windows/box_text.cpp).
# Usage: win32_window_e2e.sh PATH/TO/quorvane.exe [SCREENSHOT.png [BOX_TEXT.exe]]
# Exit status: 0 pass, 1 fail, 77 skipped (no Xvfb, xdotool, wine or IPA Gothic fonts).
set -u
app=$(realpath "$1")
shot=${2:-}
box_text=${3:+$(realpath "$3")}
root=$(cd "$(dirname "$0")/../.." && pwd)

for tool in Xvfb xdotool wine wineserver; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# The Japanese faces the window asks for stand for these in the prefix.
[ -d /usr/share/fonts/opentype/ipafont-gothic ] ||
  { echo "SKIP: fonts-ipafont-gothic is not installed"; exit 77; }

export WINEPREFIX=${WINEPREFIX:-$(dirname "$(dirname "$app")")/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

source "$root/tests/e2e/window_e2e_lib.sh"
work=$(mktemp -d)
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Wine's message boxes copy nothing on Ctrl+C: their controls are read instead.
read_boxes() {
  [ -n "$box_text" ] || { echo "note: no BOX_TEXT, the boxes are not read" >&2; return 77; }
  timeout 30 wine "$box_text" 2>/dev/null
}
box_reader=read_boxes

# A Unix path as Wine names it: drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# ---- the display, before Wine starts anything: its desktop process stays on the display
# that the first program had ----
start_display

"$root/scripts/wine-prefix.sh" || fail "the Wine prefix $WINEPREFIX could not be made ready"
# One server for every start below, ending by itself a minute after the last.
# It is started on no output: whoever reads this script's output (CTest) would otherwise
# wait for the server to end.
wineserver -p60 </dev/null >/dev/null 2>&1

# ---- the command line, checked before any window is made ----
# A program that makes no window ends at once; a Wine that hangs fails the test instead.
winerun() { timeout 60 wine "$app" "$@"; }
# Wine's own notes go to stderr, which is left out where the program's output is read.
out=$(winerun --version 2>/dev/null)
[[ $out == "quorvane "[0-9]* ]] || fail "--version printed: $out"
winerun --help 2>/dev/null | grep -q '^Usage: quorvane.exe \[FOLDER\]' || fail "--help printed no usage"
winerun "$(windows_path "$work/missing")" >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "a missing FOLDER exited $status, not 2"
grep -q 'missing: not a folder' "$work/err" || fail "no message for a missing FOLDER: $(cat "$work/err")"
winerun "$(windows_path "$work")" "$(windows_path "$work")" >/dev/null 2>&1
status=$?
[ $status -eq 2 ] || fail "two FOLDERs exited $status, not 2"

# ---- a folder with two tagged files, a third one and enough untagged ones to scroll ----
make_folder

# ---- the program ----
wine "$app" "$(windows_path "$folder")" >"$work/app.log" 2>&1 &
app_pid=$!

# Without a window manager Wine's X window is the client area alone.
wait_for 60 "678x441 window named Quorvane" find_window
sleep 1

# Edit a title, Enter; the editor moves on to the artist cell.
cell 1 1
type_in_cell "E2E title"
# The changed row white on blue, the editor over its artist cell.
photograph "$shot"
# The wheel over the grid hides the editor; it keeps the keys: Down opens the artist
# editor of the second row, and what is typed there lands in that cell.
wheel 400 200 5
wheel 400 200 5
xdo key Down
sleep 0.3
type_in_cell "E2E artist"
# The wheel over the drive list picks no drive, either way (it would replace the sheet,
# asking first about the edits).
wheel 60 16 4
wheel 60 16 5
wheel 60 16 4
sleep 0.5
no_box '$' || fail "the wheel over the drive list asked about a folder change"
save
answer_box "question after Save" '$' Return "${shot:+${shot%.png}-question.png}"  # Yes is the default
check_first_save 20

# A read-only file fails to save, keeps its row's edit, and is written by the next Save
# once it may be. Ctrl+S saves wherever the focus is, as the button does.
edit_read_only_row xdo key ctrl+s
refuse_folder_change

chmod u+w "$folder/03.mp3"
refocus
save
answer_box "question of the second Save" '$' Return
wait_for 20 "the kept title in 03.mp3 after the second Save" third_written

# A title hidden by the wheel before Enter is asked about and saved; a folder that has gone
# at Save keeps the sheet with its edits until it is back.
hidden_text_is_saved "${shot:+${shot%.png}-hidden.png}"
vanished_folder_keeps_edits windows_path 'Path not found.' "${shot:+${shot%.png}-gone.png}"

# The close box (Alt+F4, as the window system sends it) asks when an edit is unsaved; No
# keeps the program running.
refocus
cell 1 1
xdo type --delay 40 " unsaved"
xdo key alt+F4
answer_box "close-box question" '$' alt+n
kill -0 "$app_pid" 2>/dev/null || fail "the close box ended quorvane although the answer was No"
# Quit asks too; Yes ends the program without writing anything.
refocus
quit
answer_box "question of Quit" '$' Return
check_clean_end 20
hidden_title_written || fail "Quit wrote the unsaved title into 01.mp3: $(field 01.mp3 125 30)"

# ---- batch editing, in a second start on a folder of twenty files ----
make_batch_folder
wine "$app" "$(windows_path "$batch")" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 60 "678x441 window named Quorvane on the second folder" find_window
sleep 1
context_menu "${shot:+${shot%.png}-menu.png}"
fill_from_names "${shot:+${shot%.png}-batch.png}"
refocus
quit
check_clean_end 20
echo "PASS: the Windows window kept and saved every edit, and filled twenty tags from their names"
