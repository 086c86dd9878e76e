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
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
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
    until [ "$(xdo getdisplaygeometry 2>/dev/null)" = "1280 1024" ]; do
      kill -0 "$xvfb_pid" 2>/dev/null && [ $SECONDS -lt $deadline ] || break
      sleep 0.1
    done
    [ "$(xdo getdisplaygeometry 2>/dev/null)" = "1280 1024" ] && return 0
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
as_is() { printf '%s' "$1"; }

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
# sheet_home: the sheet scrolled back to its first row and column (the horizontal scroll
# bar's left arrow, the wheel up), where `cell` finds the cells.
sheet_home() {
  xdo mousemove --window "$window" 139 410 click --repeat 8 --delay 50 1
  xdo mousemove --window "$window" 400 200 click --repeat 5 --delay 50 4
  sleep 0.4
}
# save [WIDTH], quit [WIDTH]: the button pressed where a window WIDTH (678) wide has it.
save() { xdo mousemove --window "$window" $((${1:-678} - 83 + 36)) $((3 + 12)) click 1; }
quit() { xdo mousemove --window "$window" $((${1:-678} - 166 + 36)) $((3 + 12)) click 1; }
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
# photograph FILE [SIZE]: the top left of the screen, when FILE is named: SIZE of it, else
# enough for the window at its start-up size and a box in the middle of the screen.
photograph() {
  [ -n "$1" ] && command -v import >/dev/null || return 0
  timeout 20 import -window root -crop "${2:-820x580}+0+0" "$1" ||
    echo "warning: no screenshot taken" >&2
}
# answer_box WHAT TITLE-SUFFIX KEY [SHOT [TEXT...]]: waits for the box, gives it the
# keyboard, photographs it, checks that it says each TEXT, presses KEY.
answer_box() {
  wait_for 10 "$1" find_box "$2"
  xdo windowfocus --sync "$box" 2>/dev/null || true
  sleep 0.3
  photograph "${4:-}"
  if [ $# -gt 4 ]; then box_says "$1" "${@:5}"; fi
  xdo key "$3"
  wait_for 20 "the box to close after $1" box_closed "$2" "$box"
  sleep 0.3
}
# box_closed TITLE-SUFFIX ID: box ID has gone, whether or not another such box followed it.
box_closed() { ! xdo search --onlyvisible --name "^Quorvane$1" 2>/dev/null | grep -qx "$2"; }
# box_says WHAT TEXT...: the open box says each TEXT, as `box_reader` reads it.
box_says() {
  local what=$1 said text
  shift
  said=$("$box_reader")
  [ $? -eq 77 ] && return 0  # no way to read it here, noted
  said=${said//$'\r'/}
  for text in "$@"; do
    [[ $said == *"$text"* ]] || fail "the $what does not say '$text'; it says: ${said:-nothing}"
  done
}
# copied_box: the focused box's title and text as Ctrl+C copies them (the Qt boxes do it as
# Windows' do), read back with xclip.
copied_box() {
  command -v xclip >/dev/null || { echo "note: no xclip, the boxes are not read" >&2; return 77; }
  xdo key ctrl+c
  sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null
}
box_reader=copied_box
# The screen is read with ImageMagick's import; without it, a note and no check.
can_look() {
  command -v import >/dev/null && return 0
  echo "note: no ImageMagick import, the screen is not checked" >&2
  return 1
}
# grab X Y WIDTH HEIGHT [FORMAT]: the window's rectangle from the screen (raw RGB bytes).
grab() {
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdo getwindowgeometry --shell "$window")"
  timeout 20 import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" -depth 8 "${5:-rgb}:-"
}
# pixel X Y: the colour (#RRGGBB) of the window's point.
pixel() { grab "$1" "$2" 1 1 txt | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
# cell_look ROW COL: a fingerprint of what the inside of the cell shows (sheet at the top).
cell_look() { grab $((131 + $2 * 140 + 2)) $((38 + $1 * 20 + 2)) 136 16 | md5sum; }

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

# same_but_title FILE COPY: FILE and COPY differ in the title field alone, if at all.
same_but_title() {
  cmp -s <(head -c -125 "$folder/$1") <(head -c -125 "$2") &&
    cmp -s <(tail -c 95 "$folder/$1") <(tail -c 95 "$2") ||
    fail "$1 changed outside its title: $(tail -c 128 "$folder/$1" | od -An -c | tr -s ' ')"
}

# hidden_text_is_saved [SHOT]: a title typed into the first row without Enter and hidden
# by the wheel over the sheet is kept: Quit asks (No goes on), and Save writes it.
hidden_title_written() { [ "$(field 01.mp3 125 30)" = "$(hex 'Hidden title%18s')" ]; }
hidden_text_is_saved() {
  cp "$folder/01.mp3" "$work/01.before"
  refocus
  sheet_home
  cell 1 1
  xdo key ctrl+a
  xdo type --delay 40 "Hidden title"
  sleep 0.3
  wheel 400 200 5
  wheel 400 200 5
  photograph "${1:-}"
  # The editor gone from the screen: the first row's title cell (another file's, empty, now)
  # looks as the empty one below it.
  if can_look && [ "$(cell_look 1 1)" != "$(cell_look 2 1)" ]; then
    fail "the title editor is still on the screen after the wheel${1:+, see $1}"
  fi
  quit
  answer_box "question of Quit over the hidden title" '$' alt+n "${1:+${1%.png}-quit.png}" \
    "内容が保存されていません終了しますか？"
  kill -0 "$app_pid" 2>/dev/null || fail "Quit ended quorvane although the answer was No"
  hidden_title_written && fail "Quit answered No wrote the hidden title"
  refocus
  save
  answer_box "question of Save after the hidden title" '$' Return "" "保存します。"
  wait_for 20 "the hidden title in 01.mp3 after Save" hidden_title_written
  same_but_title 01.mp3 "$work/01.before"
}

# vanished_folder_keeps_edits PATH-NAMER REASON [SHOT]: titles typed into the second and
# third rows; the folder moved away, Save reports each row's failure (its path as
# PATH-NAMER names it, and REASON) and keeps the rows marked; Quit asks; the folder moved
# back, Save writes them.
gone_written() {
  [ "$(field 02.mp3 125 30)" = "$(hex 'Gone title%20s')" ] &&
    [ "$(field 03.mp3 125 30)" = "$(hex 'Gone too%22s')" ]
}
vanished_folder_keeps_edits() {
  local namer=$1 reason=$2 shot=${3:-} f row colour expected
  cp "$folder/02.mp3" "$work/02.before"
  cp "$folder/03.mp3" "$work/03.before"
  refocus
  sheet_home
  cell 2 1
  type_in_cell "Gone title"
  cell 3 1
  type_in_cell "Gone too"
  mv "$folder" "$folder-away"
  save
  answer_box "question of Save into the moved folder" '$' Return "" "保存します。"
  for f in 02 03; do
    answer_box "write error of $f.mp3 in the moved folder" '  :' Return \
      "${shot:+${shot%.png}-error$f.png}" "Quorvane  :書き込みエラー" \
      "ファイル名 :$("$namer" "$folder/$f.mp3")" "変更を保存できませんでした。" "$reason"
  done
  sleep 0.5
  no_box '' || fail "a box after the two write errors of the moved folder"
  photograph "$shot"
  # The sheet as the user left it: the unwritten rows white on blue, the others still there
  # on white. Seen at the right end of the title cells, where no text reaches.
  for row in 1 2 3 4; do
    can_look || break
    expected='#FFFFFF'
    [ $row = 2 ] || [ $row = 3 ] && expected='#0000FF'
    colour=$(pixel 405 $((38 + row * 20 + 4)))
    [ "$colour" = "$expected" ] || fail "after Save into the moved folder, row $row of the sheet" \
      "is $colour, not $expected: the sheet is not kept as it was${shot:+ (see $shot)}"
  done
  quit
  answer_box "question of Quit after Save into the moved folder" '$' alt+n "" \
    "内容が保存されていません終了しますか？"
  kill -0 "$app_pid" 2>/dev/null || fail "Quit ended quorvane although the answer was No"
  mv "$folder-away" "$folder"
  gone_written && fail "the titles were written into the moved folder"
  refocus
  save
  answer_box "question of Save into the folder moved back" '$' Return "" "保存します。"
  wait_for 20 "the kept titles in 02.mp3 and 03.mp3 after the folder came back" gone_written
  same_but_title 02.mp3 "$work/02.before"
  same_but_title 03.mp3 "$work/03.before"
}

# ---- batch editing, in a folder of its own ----

# batch_tag N TITLE ARTIST: the tag of batch file N, every field padded with spaces as Save
# writes them, so that a Save that changes the title and artist changes no other byte.
batch_tag() { printf 'TAG%-30s%-30s%-30s%-4s%-30s\x0c' "$2" "$3" "Album $1" 1999 "Comment $1"; }
batch_name() { printf '%s Artist %s - Title %s.mp3' "$1" "$1" "$1"; }
# make_batch_folder: $work/batch with 20 files named "NN Artist NN - Title NN.mp3" whose
# tags say otherwise; sets `batch`.
make_batch_folder() {
  batch=$work/batch
  mkdir "$batch"
  local n
  for n in $(seq -w 1 20); do
    { frames; batch_tag "$n" "Old title $n" "Old artist"; } > "$batch/$(batch_name "$n")"
  done
}
# batch_written: every file holds its old bytes but the title and artist its name gives.
batch_written() {
  local n
  for n in $(seq -w 1 20); do
    cmp -s "$batch/$(batch_name "$n")" <(frames; batch_tag "$n" "Title $n" "Artist $n") || return 1
  done
}
batch_differences() {
  local n
  for n in $(seq -w 1 20); do
    cmp -s "$batch/$(batch_name "$n")" <(frames; batch_tag "$n" "Title $n" "Artist $n") ||
      printf '%s: %s; ' "$n" "$(tail -c 128 "$batch/$(batch_name "$n")" | tr -c '[:print:]' '.')"
  done
}
# row_colour ROW: the background of the row's title cell at its right end, where no text
# reaches (the sheet at its top).
row_colour() { pixel 405 $((38 + $1 * 20 + 4)); }
# expect_row_colour ROW COLOUR WHAT [SHOT]
expect_row_colour() {
  can_look || return 0
  local colour
  colour=$(row_colour "$1")
  [ "$colour" = "$2" ] || fail "after $3, row $1 of the sheet is $colour, not $2${4:+ (see $4)}"
}
# region_look X Y WIDTH HEIGHT: a fingerprint of what the window's rectangle shows.
region_look() { grab "$@" | md5sum; }

# context_menu [SHOT]: a right click on the third row's title opens the sheet's menu there
# (the screen below and right of the mouse changes), photographed; Escape closes it without a
# choice, and the sheet is as it was.
context_menu() {
  local x=$((131 + 140 + 40)) y=$((38 + 3 * 20 + 10)) before shown
  refocus
  can_look && before=$(region_look $((x + 4)) $((y + 4)) 120 90)
  xdo mousemove --window "$window" "$x" "$y" click 3
  sleep 0.8
  photograph "${1:-}"
  if can_look; then
    shown=$(region_look $((x + 4)) $((y + 4)) 120 90)
    [ "$shown" != "$before" ] || fail "no menu opened at a right click on the sheet${1:+ (see $1)}"
  fi
  xdo key Escape
  sleep 0.5
  no_box '$' || fail "the menu closed without a choice opened a box"
  expect_row_colour 3 '#FFFFFF' "a menu closed without a choice"
}

# fill_from_names [SHOT]: with the editor over the first artist, Ctrl+T opens the pattern
# dialog; `* %artist% - %title%` is typed into it and it is photographed; Enter (OK) fills
# every row (white on blue); Ctrl+Z in the editor takes it back, Ctrl+Y makes it again; Save
# writes the twenty files.
fill_from_names() {
  local shot=${1:-}
  refocus
  cell 1 2
  xdo key ctrl+t
  wait_for 10 "pattern dialog after Ctrl+T" find_box '$'
  xdo windowfocus --sync "$box" 2>/dev/null || true
  sleep 0.3
  xdo key ctrl+a
  xdo type --delay 30 '* %artist% - %title%'
  sleep 0.6
  photograph "${shot:+${shot%.png}-dialog.png}"
  xdo key Return
  wait_for 10 "the pattern dialog to close after Enter" box_closed '$' "$box"
  refocus
  sleep 0.5
  photograph "${shot:+${shot%.png}-filled.png}"
  expect_row_colour 2 '#0000FF' "OK in the pattern dialog" "${shot%.png}-filled.png"
  xdo key ctrl+z
  sleep 0.5
  expect_row_colour 2 '#FFFFFF' "Ctrl+Z after the fill"
  batch_written && fail "Ctrl+Z wrote the fill"
  xdo key ctrl+y
  sleep 0.5
  expect_row_colour 2 '#0000FF' "Ctrl+Y after Ctrl+Z"
  save
  answer_box "question of Save after the fill" '$' Return "" "保存します。"
  explain=batch_differences
  wait_for 20 "the titles and artists of the twenty names in their files" batch_written
  explain=
}

# check_clean_end SECONDS: the program ends within SECONDS, with status 0.
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
check_clean_end() {
  wait_for "$1" "end of quorvane after Quit" ended
  wait "$app_pid"
  local status=$?
  app_pid=
  [ $status -eq 0 ] || fail "quorvane exited with status $status"
}

# ---- the window's layout: the editor, the buttons and the lists when the window's size
# changes ----

# resize WIDTH HEIGHT: the window's client area made WIDTH x HEIGHT, as the user drags its
# edge (`resizer` does it: xdotool, else the script's own way).
xdotool_resize() { xdo windowsize --sync "$window" "$1" "$2" 2>/dev/null || xdo windowsize "$window" "$1" "$2"; }
resizer=xdotool_resize
resize() {
  "$resizer" "$1" "$2"
  sleep 0.8
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdo getwindowgeometry --shell "$window")"
  [ "${WIDTH}x$HEIGHT" = "$1x$2" ] || fail "the window is ${WIDTH}x$HEIGHT, not $1x$2, after the resize"
}
# look X Y WIDTH HEIGHT: a fingerprint of what the window's rectangle shows.
look() { grab "$@" | md5sum | cut -c1-32; }
# Away from every control, so that nothing is drawn as under the mouse.
mouse_away() { xdo mousemove 1270 1010; sleep 0.3; }

# odd_places COL FIRST LAST: the places (1: the first data row under the header) from FIRST
# to LAST whose cell of column COL (sheet at its first column) looks unlike most of them:
# one grab, one fingerprint for the inside of each cell.
odd_places() {
  local x=$((131 + $1 * 140 + 2)) rows=$(($3 - $2 + 1)) k common
  grab "$x" $((38 + $2 * 20)) 136 $((rows * 20)) >"$work/strip.rgb" || fail "no grab of the sheet"
  for k in $(seq 0 $((rows - 1))); do
    printf '%s %s\n' $(($2 + k)) \
      "$(dd if="$work/strip.rgb" bs=408 skip=$((k * 20 + 2)) count=16 2>/dev/null | md5sum | cut -c1-8)"
  done >"$work/looks"
  common=$(cut -d' ' -f2 "$work/looks" | sort | uniq -c | sort -rn | head -n 1 | awk '{print $2}')
  awk -v common="$common" '$2 != common { printf "%s%s", sep, $1; sep = " " }' "$work/looks"
}

# editor_follows_resize [SHOT]: "Artist 24" typed into row 24's artist editor, reached with
# Down from row 2 (the sheet scrolls on the way); the window made tall enough for every row
# scrolls the sheet back to its top: the editor goes with its cell, to place 24, and lies
# over no other row; Enter stores it there. The window gets its size back.
artist_24_written() { [ "$(field 30.mp3 95 30)" = "$(hex 'Artist 24%21s')" ]; }
editor_follows_resize() {
  local i before after
  refocus
  sheet_home
  cell 2 2
  for i in $(seq 22); do xdo key Down; done
  sleep 0.5
  xdo key ctrl+a
  xdo type --delay 40 "Artist 24"
  mouse_away
  # Rows 18 and on show, none with an artist: the editor alone stands out.
  before=$(odd_places 2 1 17)
  [ -n "$before" ] && [ "${before// /}" = "$before" ] ||
    fail "before the resize the artist editor is not the one thing in its column: '$before'"
  resize 678 1000
  photograph "${1:-}" 700x1010
  # Rows 4 and on have no artist.
  after=$(odd_places 2 4 43)
  [ "$after" = 24 ] || fail "after the resize the artist editor (at place $before before) lies" \
    "over place(s) '$after', not over its row 24 at place 24${1:+ (see $1)}"
  xdo key Return
  sleep 0.3
  resize 678 441
}

# buttons_stay_whole [SHOT]: Quit and Save look the same when a narrower window moves them
# over the label (600 x 441, 500 x 300) as at the start-up size. Photographs at SHOT-600x441
# and SHOT-500x300. The window stays 500 x 300, for `save 500` and `quit 500`.
buttons_stay_whole() {
  local quit save width height size shot
  refocus
  mouse_away
  quit=$(look 512 3 73 25)
  save=$(look 595 3 73 25)
  for size in 600x441 500x300; do
    width=${size%x*} height=${size#*x} shot=${1:+${1%.png}-$size.png}
    resize "$width" "$height"
    photograph "$shot" 700x480
    [ "$(look $((width - 166)) 3 73 25)" = "$quit" ] ||
      fail "at $size Quit is not drawn whole${shot:+ (see $shot)}"
    [ "$(look $((width - 83)) 3 73 25)" = "$save" ] ||
      fail "at $size Save is not drawn whole${shot:+ (see $shot)}"
  done
}

# reload_asks_its_own_question [SHOT]: with an album typed into the first row, F5 asks
# whether to read the folder again without saving; No (the default) keeps the row's edit,
# Yes reads the folder again and the edit is gone, unwritten.
changed_colour() { pixel 405 $((38 + $1 * 20 + 4)); }
reload_asks_its_own_question() {
  cp "$folder/01.mp3" "$work/01.reload"
  refocus
  sheet_home
  cell 1 3
  type_in_cell "F5 album"
  xdo key F5
  answer_box "question of F5" '$' Return "${1:-}" "内容が保存されていません。保存せずに読み直しますか？"
  if can_look; then
    [ "$(changed_colour 1)" = '#0000FF' ] || fail "F5 answered No did not keep the edited row"
  fi
  refocus
  xdo key F5
  answer_box "question of F5 answered Yes" '$' alt+y "" "読み直しますか"
  sleep 0.5
  if can_look; then
    [ "$(changed_colour 1)" = '#FFFFFF' ] || fail "F5 answered Yes kept the edited row"
  fi
  cmp -s "$folder/01.mp3" "$work/01.reload" || fail "F5 wrote the dropped album into 01.mp3"
}

# ---- the command line ----

# mp3_row_is_current [SHOT]: the program was started with 40.mp3 (row 34) as its argument:
# the sheet shows that row with its title editor open, the one thing in the title column
# (rows 27 and on have no title); typed and saved, the title lands in 40.mp3.
arg_title_written() { [ "$(field 40.mp3 125 30)" = "$(hex 'Arg title%21s')" ]; }
mp3_row_is_current() {
  local odd
  refocus
  mouse_away
  photograph "${1:-}"
  if can_look; then
    odd=$(odd_places 1 1 17)
    [ -n "$odd" ] && [ "${odd// /}" = "$odd" ] ||
      fail "started with 40.mp3, the sheet shows no one title editor: '$odd'${1:+ (see $1)}"
  fi
  xdo type --delay 40 "Arg title"
  xdo key Return
  sleep 0.3
  save
  answer_box "question of Save after the start on 40.mp3" '$' Return
  wait_for 20 "the title typed at the start into 40.mp3" arg_title_written
}

# error_in_a_box WHAT TEXT SHOT COMMAND...: COMMAND starts the program with a mistake where
# no terminal reads its errors; a box titled Quorvane says TEXT; Enter closes it and the
# program exits with status 2.
error_in_a_box() {
  local what=$1 text=$2 shot=$3 status
  shift 3
  # No window of the program is open; a new one may get the id that the last one had.
  window=
  "$@" &
  app_pid=$!
  wait_for 20 "$what" find_box '$'
  # The box stands alone, wherever the system put it.
  if [ -n "$shot" ] && command -v import >/dev/null; then
    timeout 20 import -window "$box" "$shot" || echo "warning: no screenshot taken" >&2
  fi
  answer_box "$what" '$' Return "" "$text"
  wait_for 20 "the end of quorvane after $what" ended
  wait "$app_pid"
  status=$?
  app_pid=
  [ $status -eq 2 ] || fail "$what: quorvane exited with status $status, not 2"
}
