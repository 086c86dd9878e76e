#!/usr/bin/env bash
# The Windows window under Wine and Xvfb: opens a folder whose tags are in code page 932,
# edits a title cell with the mouse and keyboard, saves, answers the question with Enter,
# and checks the file's bytes; a wheel over the drive list changes nothing, and after a
# wheel over the sheet the hidden editor still has the keys; text hidden by the wheel before
# Enter is asked about and saved; a folder that goes away before Save keeps the sheet until
# it is back; the close box and Quit ask before unsaved edits are dropped; F5 asks its own
# question; the genre list moved up leaves no copy behind; the editor and the buttons when
# the window changes size; the command line: an MP3 file, a quoted drive root, errors in a
# box when no console takes them. Started again on twenty files named "NN Artist NN -
# Title NN", it opens the sheet's menu with a right click, fills the tags from the names
# through the pattern dialog (Ctrl+T), undoes and redoes that, saves and checks every
# file's bytes. Wine runs in a Japanese locale, so that its own boxes speak Japanese.
# Leaves screenshots of the sheet, boxes, menu and dialog at SCREENSHOT and SCREENSHOT-*.
# The Wine prefix is WINEPREFIX, else wineprefix in the build folder (the folder above the
# program's), made ready by scripts/wine-prefix.sh.
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
  [ -n "${drive:-}" ] && [ -L "$drive" ] && rm -f "$drive"
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

# genre_list_leaves_no_copy [SHOT]: the genre list opened on row 2 (Enter from its title
# to its genre, the sheet scrolled to the right: the genre column at x 340), moved down a
# row and up again; row 3's genre cell looks as it did before, with no copy of the list.
genre_list_leaves_no_copy() {
  local x=$((131 + 340 + 2)) y=$((38 + 3 * 20 + 2)) before
  refocus
  sheet_home
  cell 2 1
  xdo key Return Return Return Return Return
  sleep 0.5
  mouse_away
  before=$(look "$x" "$y" 106 16)
  xdo key Down
  sleep 0.4
  xdo key Up
  sleep 0.8
  photograph "${1:-}"
  [ "$(look "$x" "$y" 106 16)" = "$before" ] ||
    fail "the genre list moved up from row 3 left a copy of itself there${1:+ (see $1)}"
  xdo key Escape
}

# ---- the display, before Wine starts anything: its desktop process stays on the display
# that the first program had ----
start_display

"$root/scripts/wine-prefix.sh" || fail "the Wine prefix $WINEPREFIX could not be made ready"
# Wine's own boxes in Japanese (はい, いいえ), as a Japanese Windows shows them.
{ source "$root/scripts/wine-japanese.sh"; } 2>/dev/null
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
winerun --help 2>/dev/null | grep -q '^Usage: quorvane.exe \[FOLDER | FILE.mp3\]' || fail "--help printed no usage"
winerun "$(windows_path "$work/missing")" >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "a missing FOLDER exited $status, not 2"
grep -q 'missing: not a folder' "$work/err" || fail "no message for a missing FOLDER: $(cat "$work/err")"
winerun "$(windows_path "$work")" "$(windows_path "$work")" >/dev/null 2>&1
status=$?
[ $status -eq 2 ] || fail "two FOLDERs exited $status, not 2"
winerun --bogus >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "--bogus exited $status, not 2"
grep -q '^quorvane: unknown option: --bogus' "$work/err" && grep -q '^see quorvane --help' "$work/err" ||
  fail "--bogus is not reported as an unknown option: $(cat "$work/err")"

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
# The system's reason, in the locale's language ("Path not found.").
vanished_folder_keeps_edits windows_path 'パスが見つかりません。' "${shot:+${shot%.png}-gone.png}"

# F5 asks its own question; the genre list moved up leaves no copy of itself behind; the
# editor stays over its cell when a resize scrolls the sheet; Quit and Save stay whole over
# the label of a narrow window.
reload_asks_its_own_question "${shot:+${shot%.png}-reload.png}"
genre_list_leaves_no_copy "${shot:+${shot%.png}-genre.png}"
editor_follows_resize "${shot:+${shot%.png}-resized.png}"
buttons_stay_whole "${shot:+${shot%.png}-narrow.png}"
# Save pressed where the narrow window put it, over the label.
refocus
save 500
answer_box "question of Save after the resize" '$' Return
wait_for 20 "the artist stored after the resize in 30.mp3" artist_24_written
resize 678 441

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

# ---- the command line with a display ----
# An MP3 file opens its folder with the file's row current.
wine "$app" "$(windows_path "$folder/40.mp3")" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 60 "678x441 window named Quorvane for 40.mp3" find_window
mp3_row_is_current "${shot:+${shot%.png}-mp3.png}"
quit
check_clean_end 20
# A drive's root typed quoted, "Q:\", reaches the program as Q:" (a backslash before a
# quote escapes it): it opens the root. Q: is the test folder.
drive=$WINEPREFIX/dosdevices/q:
if [ -e "$drive" ] || [ -L "$drive" ]; then
  echo "note: drive Q: is taken in $WINEPREFIX, a quoted root is not tried" >&2
else
  ln -s "$folder" "$drive"
  wine "$app" 'Q:"' >"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for 60 "678x441 window named Quorvane for Q:\\" find_window
  refocus
  mouse_away
  photograph "${shot:+${shot%.png}-root.png}"
  # The sheet of Q:\, whose first three rows have titles.
  if can_look; then
    titled=$(odd_places 1 1 17)
    [ "$titled" = "1 2 3" ] || fail "Q:\" did not open the test folder: titled places '$titled'"
  fi
  quit
  check_clean_end 20
  rm -f "$drive"
fi
# Errors that no console or file takes (started from Explorer: no standard handles, no
# console to attach to) are shown in a box.
no_console() { wine "$app" "$@" </dev/null >/dev/null 2>&-; }
error_in_a_box "box of an unknown option" "unknown option: --bogus" \
  "${shot:+${shot%.png}-option.png}" no_console --bogus
error_in_a_box "box of two folders" "one FOLDER at most" "" no_console 'C:\' 'C:\'
bad_code_page() { QUORVANE_CODEPAGE=EUC-JP no_console "$(windows_path "$folder")"; }
error_in_a_box "box of a code page this build lacks" "EUC-JP" "" bad_code_page

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
