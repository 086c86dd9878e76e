# Sourced by the window e2e scripts (Qt under Xvfb, Win32 under Wine): the display, the
# test folder, waiting, and driving the window and its boxes through xdotool. The window's
# layout is the same on both, so are its coordinates. The script sets `work` (a folder of
# its own), and `app_pid` once the program runs; its cleanup ends `xvfb_pid`.
app_pid=
xvfb_pid=
window=
box=

fail() {
  echo "FAIL: $*" >&2
  if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
    wait "$app_pid"
    echo "  quorvane had ended, with status $?" >&2
  fi
  if [ -s "$work/app.log" ]; then sed 's/^/  quorvane: /' "$work/app.log" >&2; fi
  if [ -n "$xvfb_pid" ]; then
    kill -0 "$xvfb_pid" 2>/dev/null || echo "  Xvfb (${DISPLAY:-}) had ended" >&2
    [ -s "$work/xvfb.log" ] && sed 's/^/  Xvfb: /' "$work/xvfb.log" >&2
  fi
  exit 1
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds. A failure
# adds what the command `explain` prints, when it is set.
explain=
wait_for() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "no $what within ${limit} s${explain:+ ($($explain))}"
    sleep 0.1
  done
}

# Every call into the display is bounded, so that a hung server fails the test instead.
xdo() { timeout 10 xdotool "$@"; }

# start_display: an Xvfb of our own on a free display, exported as DISPLAY once a client
# has been served by it. The number it reports is not trusted alone: a server that ends
# at once, or a display that another server on the machine answers, is tried again. A
# machine where no Xvfb serves xdotool cannot run the test at all: skipped (77), loudly.
start_display() {
  local try deadline
  for try in 1 2 3; do
    : > "$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
      3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    # The number is whole once its line has ended.
    deadline=$((SECONDS + 15))
    until [ "$(wc -l < "$work/display")" -ge 1 ]; do
      kill -0 "$xvfb_pid" 2>/dev/null && [ $SECONDS -lt $deadline ] || break
      sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$work/display")"
    deadline=$((SECONDS + 10))
    until [ "$(xdo getdisplaygeometry 2>/dev/null)" = "1024 768" ]; do
      kill -0 "$xvfb_pid" 2>/dev/null && [ $SECONDS -lt $deadline ] || break
      sleep 0.1
    done
    [ "$(xdo getdisplaygeometry 2>/dev/null)" = "1024 768" ] && return 0
    echo "note: Xvfb (try $try, display '$DISPLAY') served no client:" \
      "$(xdo getdisplaygeometry 2>&1 | head -n 2)" >&2
    sed 's/^/  Xvfb: /' "$work/xvfb.log" >&2
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  done
  echo "SKIP: no Xvfb on this machine serves an X client (see the notes above)"
  exit 77
}

# tag TITLE-BYTES ARTIST-BYTES GENRE: a 128-byte tag, fields padded with zero bytes.
tag() {
  local field
  printf 'TAG'
  for field in "$1" "$2" ""; do  # title, artist, album
    printf "$field"
    head -c $((30 - $(printf "$field" | wc -c))) /dev/zero
  done
  printf '2004'
  head -c 30 /dev/zero
  printf "\\$(printf '%03o' "$3")"
}
frames() { head -c 2000 /dev/zero | tr '\0' '\125'; }

# make_folder: $work/music with two tagged files, a third one, enough untagged ones to
# scroll, and a sub-folder; sets `folder`.
make_folder() {
  folder=$work/music
  mkdir "$folder" "$folder/sub"
  { frames; tag '\x8b\xc8\x96\xbc' '\x89\xcc\x8e\xe8' 17; } > "$folder/01.mp3"  # 曲名, 歌手
  { frames; tag '\x82\xb3\x82\xad\x82\xe7' 'Other' 13; } > "$folder/02.mp3"      # さくら
  { frames; tag 'Third' 'Artist 3' 0; } > "$folder/03.mp3"
  local i
  for i in $(seq 10 49); do frames > "$folder/$i.mp3"; done
  [ "$(wc -c < "$folder/01.mp3")" -eq 2128 ] || fail "the test file is not 2128 bytes long"
}
# field FILE FROM-END WIDTH: hex of WIDTH bytes that start FROM-END bytes before the end.
field() { tail -c "$2" "$folder/$1" | head -c "$3" | od -An -tx1 | tr -d ' \n'; }
hex() { printf "$1" | od -An -tx1 | tr -d ' \n'; }

# find_window: the program's 678x441 window named Quorvane, into `window`.
find_window() {
  kill -0 "$app_pid" 2>/dev/null || fail "quorvane ended early"
  local id
  for id in $(xdo search --onlyvisible --name '^Quorvane$' 2>/dev/null); do
    if xdo getwindowgeometry "$id" | grep -q 'Geometry: 678x441'; then
      window=$id
      return 0
    fi
  done
  return 1
}

# Client coordinates: the grid at (129, 36) with a 2-pixel border, 20-pixel rows (the
# header first) and 140-pixel columns; with the sheet at its top, row R is at y 38+20R+10.
cell() { xdo mousemove --window "$window" $((131 + $2 * 140 + 70)) $((38 + $1 * 20 + 10)) click 1; sleep 0.4; }
# wheel X Y BUTTON: one turn of the wheel (4 up, 5 down) over the window's point.
wheel() { xdo mousemove --window "$window" "$1" "$2" click "$3"; sleep 0.4; }
save() { xdo mousemove --window "$window" $((595 + 36)) $((3 + 12)) click 1; }
quit() { xdo mousemove --window "$window" $((512 + 36)) $((3 + 12)) click 1; }
# type_in_cell TEXT: the open editor's text replaced by TEXT and stored with Enter.
type_in_cell() {
  xdo key ctrl+a  # the editor opens with the cell's text
  xdo type --delay 40 "$1"
  xdo key Return
  sleep 0.3
}
# Without a window manager the window gets the keyboard back from a closed box only when
# told.
refocus() { xdo windowfocus --sync "$window" 2>/dev/null || true; }

# find_box TITLE-SUFFIX: a window named Quorvane plus the suffix, not the program's own.
find_box() {
  local id
  box=
  for id in $(xdo search --onlyvisible --name "^Quorvane$1" 2>/dev/null); do
    [ "$id" != "$window" ] && box=$id && return 0
  done
  return 1
}
no_box() { ! find_box "$1"; }
# photograph FILE: the top left of the screen, where the window is, when FILE is named.
photograph() {
  [ -n "$1" ] && command -v import >/dev/null || return 0
  timeout 20 import -window root -crop 700x480+0+0 "$1" || echo "warning: no screenshot taken" >&2
}
# answer_box WHAT TITLE-SUFFIX KEY [SHOT]: waits for the box, gives it the keyboard,
# photographs it, presses KEY.
answer_box() {
  wait_for 10 "$1" find_box "$2"
  xdo windowfocus --sync "$box" 2>/dev/null || true
  sleep 0.3
  photograph "${4:-}"
  xdo key "$3"
  wait_for 20 "the box to close after $1" no_box "$2"
  sleep 0.3
}

# ---- the steps both windows go through ----

# check_first_save SECONDS: the title typed into the first row and the artist typed into
# the second reach their files within SECONDS; nothing else of the files changed.
title_written() { [ "$(field 01.mp3 125 30)" = "$(hex 'E2E title%21s')" ]; }
check_first_save() {
  wait_for "$1" "new title in 01.mp3" title_written
  [ "$(field 02.mp3 95 30)" = "$(hex 'E2E artist%20s')" ] ||
    fail "the artist typed after the wheel and Down is not in 02.mp3: $(field 02.mp3 95 30)"
  [ "$(field 02.mp3 125 6)" = "82b382ad82e7" ] || fail "02.mp3 lost its title"

  [ "$(wc -c < "$folder/01.mp3")" -eq 2128 ] || fail "01.mp3 changed its length"
  [ "$(field 01.mp3 128 3)" = "544147" ] || fail "the tag marker is gone"
  [ "$(field 01.mp3 95 30)" = "$(hex '\x89\xcc\x8e\xe8%26s')" ] ||
    fail "the artist field changed: $(field 01.mp3 95 30)"
  [ "$(field 01.mp3 1 1)" = "11" ] || fail "the genre byte changed: $(field 01.mp3 1 1)"
  [ "$(head -c 2000 "$folder/01.mp3" | tr -d '\125' | wc -c)" -eq 0 ] || fail "the audio changed"
  cmp -s <(tail -c 128 "$folder/03.mp3") <(tag 'Third' 'Artist 3' 0) ||
    fail "03.mp3 was written although it was not edited"
}

# edit_read_only_row SAVE-COMMAND...: after Save's reload the hidden editor still has the
# keys: Down opens the first row's title, two more reach the third row. Its file made
# read-only, SAVE-COMMAND saves: the write fails and the file stays as it was.
edit_read_only_row() {
  refocus
  xdo key Down Down Down
  sleep 0.3
  type_in_cell "Read only"
  chmod 0444 "$folder/03.mp3"
  "$@"
  answer_box "question of the first Save" '$' Return
  answer_box "write error of 03.mp3" '  :' Return
  cmp -s <(tail -c 128 "$folder/03.mp3") <(tag 'Third' 'Artist 3' 0) || fail "read-only 03.mp3 changed"
}

# refuse_folder_change [SHOT]: a folder change with unsaved edits asks; Enter (No) keeps
# the sheet and its edits.
refuse_folder_change() {
  refocus
  xdo mousemove --window "$window" 40 60 click 1
  sleep 0.3
  xdo key End Return  # the last entry is the sub-folder
  answer_box "folder-change question" '$' Return "${1:-}"
}

third_written() { [ "$(field 03.mp3 125 30)" = "$(hex 'Read only%21s')" ]; }

# check_clean_end SECONDS: the program ends within SECONDS, with status 0.
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
check_clean_end() {
  wait_for "$1" "end of quorvane after Quit" ended
  wait "$app_pid"
  local status=$?
  app_pid=
  [ $status -eq 0 ] || fail "quorvane exited with status $status"
}
