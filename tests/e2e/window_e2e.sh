#!/usr/bin/env bash
# The real window under Xvfb: opens a folder whose tags are in code page 932, edits a title
# cell with the mouse and keyboard, saves, answers the question with Enter, and checks the
# file's bytes; then text hidden by the wheel before Enter, a folder that goes away before
# Save and comes back, F5's question, the editor and the buttons when the window changes
# size, an MP3 file named on the command line, and errors shown in a box when no terminal
# reads them. Started again on twenty files named "NN Artist NN - Title NN", it opens the
# sheet's menu with a right click, fills the tags from the names through the pattern dialog
# (Ctrl+T), undoes and redoes that, saves and checks every file's bytes. Leaves screenshots
# of the sheet, boxes, menu and dialog at SCREENSHOT and SCREENSHOT-*.
# Usage: window_e2e.sh PATH/TO/quorvane [SCREENSHOT.png]
# Exit status: 0 pass, 1 fail, 77 skipped (no Xvfb or xdotool).
set -u
app=$1
shot=${2:-}

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/window_e2e_lib.sh"
work=$(mktemp -d)
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# ---- command-line mistakes: reported before any display is needed ----
env -u DISPLAY -u WAYLAND_DISPLAY "$app" "$work/missing" >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "a missing FOLDER exited $status, not 2"
grep -q 'missing: not a folder' "$work/err" || fail "no message for a missing FOLDER: $(cat "$work/err")"
env -u DISPLAY -u WAYLAND_DISPLAY "$app" "$work" "$work" >/dev/null 2>&1
status=$?
[ $status -eq 2 ] || fail "two FOLDERs exited $status, not 2"
env -u DISPLAY -u WAYLAND_DISPLAY "$app" --bogus >/dev/null 2>"$work/err"
status=$?
[ $status -eq 2 ] || fail "--bogus exited $status, not 2"
[ "$(cat "$work/err")" = $'quorvane: unknown option: --bogus\nsee quorvane --help' ] ||
  fail "--bogus is not reported as an unknown option: $(cat "$work/err")"

# ---- a folder with two tagged files, a third one and enough untagged ones to scroll ----
make_folder

# ---- display and program ----
start_display
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

opening=
start_app() {
  "$app" "${opening:-$folder}" >"$work/app.log" 2>&1 &
  app_pid=$!
}
# A program that could not reach the display which had just served xdotool is started
# once more, with a note; the second time it fails the test.
restarted=
app_window() {
  if [ -z "$restarted" ] && ! kill -0 "$app_pid" 2>/dev/null &&
    grep -q 'could not connect to display' "$work/app.log"; then
    echo "note: quorvane could not reach $DISPLAY; xdotool now says:" \
      "$(xdo getdisplaygeometry 2>&1 | head -n 2)" >&2
    sed 's/^/  quorvane: /' "$work/app.log" >&2
    restarted=1
    start_app
    return 1
  fi
  find_window
}
start_app
wait_for 20 "678x441 window named Quorvane" app_window

# Edit a title, Enter; the editor moves on to the artist cell.
cell 1 1
type_in_cell "E2E title"
# The wheel over the grid hides the editor; it keeps the keys: Down opens the artist
# editor of the second row, and what is typed there lands in that cell.
wheel 400 200 5
wheel 400 200 5
xdo key Down
sleep 0.3
type_in_cell "E2E artist"
# The wheel over the drive list picks no drive (it would replace the sheet).
wheel 60 16 5
wheel 60 16 5
no_box '$' || fail "the wheel over the drive list asked about a folder change"
photograph "$shot"

save
answer_box "question after Save" '$' Return  # Yes is the default button
check_first_save 10

# A read-only file fails to save, keeps its row's edit, and is written by the next Save
# once it may be.
edit_read_only_row save
refuse_folder_change "${shot:+${shot%.png}-question.png}"

chmod u+w "$folder/03.mp3"
save
answer_box "question of the second Save" '$' Return
title_of_third() {
  local f
  for f in 01 02 03; do
    printf "%s.mp3's title: '%s' " "$f" "$(tail -c 125 "$folder/$f.mp3" | head -c 30 | tr '\0' ' ')"
  done
  [ -n "$shot" ] && photograph "${shot%.png}-failed.png" 2>/dev/null &&
    printf '(screen: %s)' "${shot%.png}-failed.png"
}
explain=title_of_third
wait_for 30 "the kept title in 03.mp3 after the second Save" third_written
explain=

# A title hidden by the wheel before Enter is asked about and saved; a folder that has gone
# at Save keeps the sheet with its edits until it is back.
hidden_text_is_saved "${shot:+${shot%.png}-hidden.png}"
vanished_folder_keeps_edits as_is 'No such file or directory' "${shot:+${shot%.png}-gone.png}"

# F5 asks its own question; the editor stays over its cell when a resize scrolls the sheet;
# Quit and Save stay whole over the label of a narrow window.
reload_asks_its_own_question "${shot:+${shot%.png}-reload.png}"
editor_follows_resize "${shot:+${shot%.png}-resized.png}"
buttons_stay_whole "${shot:+${shot%.png}-narrow.png}"
# Save and Quit pressed where the narrow window put them, over the label.
refocus
save 500
answer_box "question of Save after the resize" '$' Return
wait_for 10 "the artist stored after the resize in 30.mp3" artist_24_written
# Quit: nothing is unsaved, so the program ends without a question.
quit 500
check_clean_end 10

# ---- the command line with a display ----
# An MP3 file opens its folder with the file's row current.
"$app" "$folder/40.mp3" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 "678x441 window named Quorvane for 40.mp3" find_window
mp3_row_is_current "${shot:+${shot%.png}-mp3.png}"
quit
check_clean_end 10
# Errors that no terminal reads (stderr is a file here) are shown in a box as well.
bad_option() { "$app" --bogus >/dev/null 2>"$work/err"; }
error_in_a_box "box of an unknown option" "unknown option: --bogus" \
  "${shot:+${shot%.png}-option.png}" bad_option
grep -q 'unknown option: --bogus' "$work/err" || fail "--bogus is not on stderr: $(cat "$work/err")"
bad_code_page() { QUORVANE_CODEPAGE=NO-SUCH-PAGE "$app" "$folder" >/dev/null 2>"$work/err"; }
error_in_a_box "box of an unknown code page" "NO-SUCH-PAGE" "" bad_code_page

# ---- batch editing, in a second start on a folder of twenty files ----
make_batch_folder
opening=$batch
start_app
wait_for 20 "678x441 window named Quorvane on the second folder" app_window
context_menu "${shot:+${shot%.png}-menu.png}"
fill_from_names "${shot:+${shot%.png}-batch.png}"
quit
check_clean_end 10
echo "PASS: the window kept and saved every edit, and filled twenty tags from their names"
