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
