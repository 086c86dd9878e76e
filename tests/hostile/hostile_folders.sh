#!/usr/bin/env bash
# quorvane-tag on folders that try to break it: odd and non-UTF-8 names, links, a FIFO and a
# socket, files that vanish or turn into folders between list and apply, 100,000 files, and
# 5 GiB sparse files. Nothing may crash or hang, every failure must be reported, and no file
# but the ones being written may change.
# Usage: hostile_folders.sh PATH/TO/quorvane-tag [SECTION...]
#   SECTION: odd_names odd_folder links fifo_and_socket vanished escaped_names many_files
#   sparse_5gib; without one, all but many_files (which CTest runs as a test of its own).
set -u
tool=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
helper() { /usr/bin/python3 "$here/hostile_helpers.py" "$@"; }
dir=$(mktemp -d)
many_base=$dir
# 100,000 files are made several times faster in memory, where there is room for them.
if [ -w /dev/shm ] && [ "$(df --output=avail -k /dev/shm | tail -n 1)" -gt 2000000 ]; then
  many_base=$(mktemp -d /dev/shm/quorvane-many-XXXXXX)
fi
trap 'rm -rf "$dir" "$many_base"' EXIT
cd "$dir" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
T=$'\t'

# Every run is bounded: a hang fails the test instead of stalling it (exit status 124).
run() { timeout 120 "$tool" "$@"; }
# list FOLDER: the rows, and status/stderr in $dir/status and $dir/err. The folder is read
# a second time one file after another: the rows must be the same, byte for byte.
list() {
  run list "$1" 2>"$dir/err" | tee "$dir/rows"
  echo "${PIPESTATUS[0]}" >"$dir/status"
  QUORVANE_READERS=1 run list "$1" 2>/dev/null >"$dir/rows-serial"
  cmp -s "$dir/rows" "$dir/rows-serial" || fail "reading $1 in parallel gave other rows"
}
status() { cat "$dir/status"; }
# apply FOLDER < rows: status in $apply_status, stderr in $dir/err.
apply() {
  run apply "$1" 2>"$dir/err"
  apply_status=$?
}
# Marks the row whose loaded name (cell 8) is $1 as changed, with title $2 and name $3.
edit_row() {
  awk -F'\t' -v loaded="$1" -v title="$2" -v name="$3" 'BEGIN { OFS = "\t" }
    $8 == loaded { $2 = title; $1 = name; $9 = "2" } { print }'
}
# The escape character U+10FE00 + byte, as UTF-8, for a byte given as two hex digits.
escape() {
  local third fourth
  third=$(printf %x $((0xb8 + 0x$1 / 64)))
  fourth=$(printf %x $((0x80 + 0x$1 % 64)))
  printf "\\xf4\\x8f\\x$third\\x$fourth"
}
fingerprint() { helper fingerprint "$@"; }
title_of() { helper title "$1"; }

# Names with spaces, quotes, shell syntax, a leading '-', non-UTF-8 bytes, case
odd_names() {
  odd=$dir/odd
  mkdir "$odd"
  odd_names=('with space.mp3' 'quote".mp3' "apos'trophe.mp3" '$(touch x).mp3' '`touch y`.mp3'
    'semi;colon.mp3' '-leading.mp3' '--help.mp3' 'glob*?[.mp3' 'back\slash.mp3'
    'Case.mp3' 'case.mp3' 'CASE.MP3')
  for name in "${odd_names[@]}"; do helper mp3 "$odd/$name" "old"; done
  # Not UTF-8: Latin-1 bytes, CP932 bytes, and a lone continuation byte.
  helper mp3 "$odd/latin\\xe9\\xff.mp3" "old"
  helper mp3 "$odd/\\x82\\xa0sjis.mp3" "old"
  helper mp3 "$odd/\\x80.mp3" "old"
  expected_names=$(helper names "$odd")

  list "$odd" >"$dir/rows"
  [ "$(status)" -eq 0 ] || fail "odd names: list exited $(status): $(cat "$dir/err")"
  [ ! -s "$dir/err" ] || fail "odd names: list wrote to stderr: $(cat "$dir/err")"
  [ "$(wc -l <"$dir/rows")" -eq 16 ] ||
    fail "odd names: expected 16 rows, got $(wc -l <"$dir/rows")"
  [ "$(helper row-names <"$dir/rows" | sort)" = "$(sort <<<"$expected_names")" ] ||
    fail "odd names: the listed names are not the names on disk:
  $(helper row-names <"$dir/rows")"
  [ ! -e x ] && [ ! -e y ] && [ ! -e "$odd/x" ] && [ ! -e "$odd/y" ] ||
    fail "odd names: a name was run by a shell"

  # Every row changed, with new titles; renames to a name with a leading '-', to a non-UTF-8
  # name, and (refused: never replaces a file) from Case.mp3 onto case.mp3.
  latin=latin$(escape e9)$(escape ff).mp3
  awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "new " NR; $9 = "2"; print }' "$dir/rows" |
    edit_row '-leading.mp3' 'renamed dash' '-renamed.mp3' |
    edit_row "$latin" 'renamed latin' "$(escape fe)$(escape ff)-renamed.mp3" |
    edit_row 'Case.mp3' 'case clash' 'case.mp3' >"$dir/edit"
  apply "$odd" <"$dir/edit"
  [ "$apply_status" -eq 1 ] ||
    fail "odd names: apply exited $apply_status, expected 1 (one refused rename)"
  [ "$(grep -c 'ファイル名 :' "$dir/err")" -eq 1 ] && grep -q "Case.mp3" "$dir/err" ||
    fail "odd names: the refused rename is not reported once: $(cat "$dir/err")"
  [ -e "$odd/-renamed.mp3" ] && [ ! -e "$odd/-leading.mp3" ] ||
    fail "odd names: -leading.mp3 not renamed"
  [ -e "$odd/$(printf '\xfe\xff')-renamed.mp3" ] && [ ! -e "$odd/$(printf 'latin\xe9\xff').mp3" ] ||
    fail "odd names: the non-UTF-8 name was not renamed as asked: $(helper names "$odd")"
  [ "$(title_of "$odd/-renamed.mp3")" = "renamed dash" ] ||
    fail "odd names: -renamed.mp3 has the wrong title"
  [ "$(title_of "$odd/\\xfe\\xff-renamed.mp3")" = "renamed latin" ] ||
    fail "odd names: the renamed non-UTF-8 file has the wrong title"
  [ "$(title_of "$odd/\\x82\\xa0sjis.mp3")" != "old" ] ||
    fail "odd names: the CP932-named file was not written"
  [ "$(title_of "$odd/Case.mp3")" = "case clash" ] || fail "odd names: Case.mp3 lost its tag write"
  [ "$(title_of "$odd/case.mp3")" != "old" ] && [ "$(title_of "$odd/CASE.MP3")" != "old" ] ||
    fail "odd names: case.mp3 or CASE.MP3 was not written"
  [ "$(helper names "$odd" | wc -l)" -eq 16 ] || fail "odd names: files appeared or vanished"
  for name in "${odd_names[@]}"; do
    case $name in -leading.mp3 | Case.mp3) continue ;; esac
    [ "$(title_of "$odd/$name")" != "old" ] || fail "odd names: $name was not written"
  done
  # The audio before each tag is untouched.
  helper mp3 "$dir/reference.mp3" "reference"
  for f in "$odd"/*; do
    cmp -s -n 1000 "$f" "$dir/reference.mp3" || fail "odd names: audio of $f changed"
  done
}

# A folder whose own name starts with '-', holds shell syntax and is not UTF-8, given
# relative to the current folder
odd_folder() {
  local name
  name=$(printf -- '-folder $(touch z) \xff')
  mkdir "$dir/$name"
  helper mp3 "$dir/$name/a.mp3" "old"
  (cd "$dir" && run list "$name") >"$dir/rows" 2>"$dir/err" ||
    fail "odd folder: list exited $?: $(cat "$dir/err")"
  [ "$(cut -f1,2 "$dir/rows")" = "a.mp3${T}old" ] || fail "odd folder: rows: $(cat "$dir/rows")"
  edit_row a.mp3 'odd folder written' a.mp3 <"$dir/rows" >"$dir/edit"
  (cd "$dir" && run apply "$name" "$dir/edit") 2>"$dir/err" ||
    fail "odd folder: apply exited $?: $(cat "$dir/err")"
  [ "$(title_of "$dir/$name/a.mp3")" = "odd folder written" ] || fail "odd folder: not written"
  [ ! -e "$dir/z" ] || fail "odd folder: its name was run by a shell"
}

# Links: never listed, never written through
links() {
  links=$dir/links
  mkdir -p "$links/folder" "$links/outside"
  helper mp3 "$links/folder/real.mp3" "real"
  helper mp3 "$links/outside/target.mp3" "outside"
  ln -s real.mp3 "$links/folder/inside-link.mp3"
  ln -s ../outside/target.mp3 "$links/folder/outside-link.mp3"
  ln -s no-such-file.mp3 "$links/folder/dangling.mp3"
  ln -s ../outside "$links/folder/folder-link.mp3"
  before=$(fingerprint "$links" folder/real.mp3)
  list "$links/folder" >"$dir/rows"
  [ "$(status)" -eq 0 ] || fail "links: list exited $(status)"
  [ "$(cut -f1 "$dir/rows")" = "real.mp3" ] ||
    fail "links: expected only real.mp3, got: $(cut -f1 "$dir/rows")"
  # Rows that name the links (as an edited sheet could) are refused one by one and reported.
  {
    cat "$dir/rows"
    for link in inside-link.mp3 outside-link.mp3 dangling.mp3 folder-link.mp3; do
      printf '%s\n' "$link${T}written through${T}${T}${T}${T}${T}${T}$link${T}2${T}0"
    done
  } | edit_row real.mp3 'real written' real.mp3 >"$dir/edit"
  apply "$links/folder" <"$dir/edit"
  [ "$apply_status" -eq 1 ] || fail "links: apply exited $apply_status, expected 1"
  [ "$(grep -c 'ファイル名 :' "$dir/err")" -eq 4 ] ||
    fail "links: expected 4 reported failures: $(cat "$dir/err")"
  [ "$(title_of "$links/folder/real.mp3")" = "real written" ] ||
    fail "links: real.mp3 was not written"
  [ "$(fingerprint "$links" folder/real.mp3)" = "$before" ] ||
    fail "links: a link or its target changed"
  [ ! -e "$links/folder/no-such-file.mp3" ] || fail "links: the dangling link's target was created"

  # Renaming a file onto a link's name is refused: the link stays, the file keeps its name.
  edit_row real.mp3 'onto link' outside-link.mp3 <"$dir/rows" >"$dir/edit"
  apply "$links/folder" <"$dir/edit"
  [ "$apply_status" -eq 1 ] || fail "links: renaming onto a link exited $apply_status, expected 1"
  [ -L "$links/folder/outside-link.mp3" ] && [ -f "$links/folder/real.mp3" ] ||
    fail "links: renaming onto a link replaced it"
  [ "$(fingerprint "$links" folder/real.mp3)" = "$before" ] ||
    fail "links: the rename changed something else"
}

# A FIFO and a socket named like MP3 files: no hang, not listed, not written
fifo_and_socket() {
  special=$dir/special
  mkdir "$special"
  helper mp3 "$special/plain.mp3" "plain"
  mkfifo "$special/fifo.mp3"
  helper socket "$special/socket.mp3"
  before=$(fingerprint "$special" plain.mp3)
  list "$special" >"$dir/rows"
  [ "$(status)" -eq 0 ] || fail "fifo/socket: list exited $(status) (124: it hung)"
  [ "$(cut -f1 "$dir/rows")" = "plain.mp3" ] ||
    fail "fifo/socket: expected only plain.mp3: $(cut -f1 "$dir/rows")"
  {
    cat "$dir/rows"
    for name in fifo.mp3 socket.mp3; do
      printf '%s\n' "$name${T}x${T}${T}${T}${T}${T}${T}$name${T}2${T}0"
    done
  } | edit_row plain.mp3 'plain written' plain.mp3 >"$dir/edit"
  apply "$special" <"$dir/edit"
  [ "$apply_status" -eq 1 ] ||
    fail "fifo/socket: apply exited $apply_status, expected 1 (124: it hung)"
  grep -q 'fifo.mp3' "$dir/err" && grep -q 'socket.mp3' "$dir/err" ||
    fail "fifo/socket: the FIFO and the socket are not both reported: $(cat "$dir/err")"
  [ "$(title_of "$special/plain.mp3")" = "plain written" ] ||
    fail "fifo/socket: plain.mp3 was not written"
  [ -p "$special/fifo.mp3" ] && [ -S "$special/socket.mp3" ] ||
    fail "fifo/socket: the FIFO or socket was replaced"
  [ "$(fingerprint "$special" plain.mp3)" = "$before" ] ||
    fail "fifo/socket: something else changed"
}

# Files that vanish, or become folders, between list and apply
vanished() {
  gone=$dir/gone
  mkdir "$gone"
  for name in a b c d; do helper mp3 "$gone/$name.mp3" "$name"; done
  # Ten cells, without the fingerprint: the writer meets the missing file and the folder.
  list "$gone" | awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "new"; $9 = "2"; NF = 10; print }' \
    >"$dir/edit"
  cp -r "$gone" "$dir/gone-fingerprinted"
  list "$dir/gone-fingerprinted" | awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "new"; $9 = "2"; print }' \
    >"$dir/edit-fingerprinted"
  rm "$gone/b.mp3" "$dir/gone-fingerprinted/b.mp3"
  rm "$gone/c.mp3" && mkdir "$gone/c.mp3"
  rm "$dir/gone-fingerprinted/c.mp3" && mkdir "$dir/gone-fingerprinted/c.mp3"
  # With the fingerprint, both are found changed since the listing, before any write.
  apply "$dir/gone-fingerprinted" <"$dir/edit-fingerprinted"
  [ "$apply_status" -eq 1 ] || fail "vanished: apply with fingerprints exited $apply_status"
  [ "$(grep -c 'has changed since it was listed' "$dir/err")" -eq 2 ] &&
    grep -q 'line 2: b.mp3' "$dir/err" && grep -q 'line 3: c.mp3' "$dir/err" ||
    fail "vanished: b.mp3 and c.mp3 are not both reported as changed: $(cat "$dir/err")"
  [ "$(title_of "$dir/gone-fingerprinted/a.mp3")" = new ] || fail "vanished: a.mp3 not written"
  apply "$gone" <"$dir/edit"
  [ "$apply_status" -eq 1 ] || fail "vanished: apply exited $apply_status, expected 1"
  [ "$(grep -c 'ファイル名 :' "$dir/err")" -eq 2 ] &&
    grep -q 'b.mp3' "$dir/err" && grep -q 'c.mp3' "$dir/err" ||
    fail "vanished: b.mp3 and c.mp3 are not both reported: $(cat "$dir/err")"
  [ ! -e "$gone/b.mp3" ] || fail "vanished: b.mp3 was created again"
  [ -d "$gone/c.mp3" ] && [ -z "$(ls -A "$gone/c.mp3")" ] ||
    fail "vanished: the folder c.mp3 changed"
  [ "$(title_of "$gone/a.mp3")" = new ] && [ "$(title_of "$gone/d.mp3")" = new ] ||
    fail "vanished: the other files were not written"
  [ "$(ls "$gone" | tr '\n' ' ')" = "a.mp3 c.mp3 d.mp3 " ] ||
    fail "vanished: the folder holds $(ls "$gone")"
}

# Names whose text holds escape characters of ASCII bytes
escaped_names() {
  # The characters U+10FE2E and U+10FE2F once stood for the bytes '.' and '/' when a name
  # became a path, so a row could name "../victim.mp3" or rename a file to "../moved.mp3"
  # past the checks on '/' and "..". Such a name is a name inside the folder (the file is
  # not found, or the rename stays in the folder), and nothing outside the folder changes.
  escaped=$dir/escaped
  mkdir -p "$escaped/folder"
  helper mp3 "$escaped/victim.mp3" "victim"
  helper mp3 "$escaped/folder/a.mp3" "a"
  helper mp3 "$escaped/folder/b.mp3" "b"
  up="$(escape 2e)$(escape 2e)$(escape 2f)"
  before=$(fingerprint "$escaped" folder)
  {
    printf '%s\n' "victim.mp3${T}through dots${T}${T}${T}${T}${T}${T}${up}victim.mp3${T}2${T}0"
    printf '%s\n' "${up}moved.mp3${T}moved${T}${T}${T}${T}${T}${T}a.mp3${T}2${T}0"
    printf '%s\n' "b.mp3$(escape 00)x${T}nul${T}${T}${T}${T}${T}${T}b.mp3$(escape 00)x${T}2${T}0"
  } >"$dir/edit"
  # Refusing the input (2) or reporting each row (1) are both safe.
  apply "$escaped/folder" <"$dir/edit"
  [ "$apply_status" -le 2 ] || fail "escaped names: apply exited $apply_status"
  # A zero byte in a name once ended the path early, so "b.mp3<NUL>x" wrote b.mp3.
  printf 'b.mp3\tzero byte\t\t\t\t\t\tb.mp3\0x\t2\t0\n' >"$dir/edit"
  apply "$escaped/folder" <"$dir/edit"
  [ "$apply_status" -le 2 ] || fail "escaped names: apply of a zero byte exited $apply_status"
  [ "$(fingerprint "$escaped" folder)" = "$before" ] ||
    fail "escaped names: a row reached outside the folder: $(helper names "$escaped")"
  [ "$(title_of "$escaped/folder/b.mp3")" = "b" ] ||
    fail "escaped names: a row naming 'b.mp3<U+10FE00>x' or 'b.mp3<NUL>x' wrote b.mp3"
  [ "$(helper names "$escaped/folder" | wc -l)" -eq 2 ] ||
    fail "escaped names: files left the folder"
}

# 100,000 files
many_files() {
  many=$many_base/many
  mkdir "$many"
  helper many "$many" 100000
  list "$many" >"$dir/rows"
  [ "$(status)" -eq 0 ] || fail "100,000 files: list exited $(status) (124: too slow or hung)"
  [ "$(wc -l <"$dir/rows")" -eq 100000 ] || fail "100,000 files: $(wc -l <"$dir/rows") rows listed"
  [ "$(sed -n '1p;54321p;100000p' "$dir/rows" | cut -f1,2,10 | tr '\t\n' ',,')" = \
    "f0000000.mp3,title 0,0,f0054320.mp3,title 54320,40,f0099999.mp3,title 99999,64," ] ||
    fail "100,000 files: rows are wrong or out of order"
  before=$(fingerprint "$many" --stat f0054320.mp3)
  edit_row f0054320.mp3 'only this one' f0054320.mp3 <"$dir/rows" >"$dir/edit"
  apply "$many" <"$dir/edit"
  [ "$apply_status" -eq 0 ] || fail "100,000 files: apply exited $apply_status"
  [ "$(title_of "$many/f0054320.mp3")" = "only this one" ] ||
    fail "100,000 files: the row was not written"
  [ "$(fingerprint "$many" --stat f0054320.mp3)" = "$before" ] ||
    fail "100,000 files: other files changed"
  rm -rf "$many"
}

# 5 GiB sparse files: 64-bit offsets
sparse_5gib() {
  big=$dir/big
  mkdir "$big"
  size=$((5 * 1024 * 1024 * 1024))
  helper sparse "$big/tagged.mp3" $size "big tagged"
  helper sparse "$big/untagged.mp3" $size -
  if [ "$(($(stat -c %b "$big/tagged.mp3") * 512))" -gt $((64 * 1024 * 1024)) ]; then
    echo "SKIP: 5 GiB files: this file system does not keep sparse files"
    rm -rf "$big"
  else
    list "$big" >"$dir/rows"
    [ "$(status)" -eq 0 ] || fail "5 GiB: list exited $(status)"
    [ "$(cut -f1,2 "$dir/rows" | tr '\t\n' ',,')" = "tagged.mp3,big tagged,untagged.mp3,," ] ||
      fail "5 GiB: rows: $(cat "$dir/rows")"
    # The audio of both, every byte up to where the tags lie, before and after.
    tagged_audio=$(helper prefix "$big/tagged.mp3" $((size - 128)))
    untagged_audio=$(helper prefix "$big/untagged.mp3" $size)
    awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "big written"; $9 = "2"; print }' "$dir/rows" \
      >"$dir/edit"
    apply "$big" <"$dir/edit"
    [ "$apply_status" -eq 0 ] || fail "5 GiB: apply exited $apply_status: $(cat "$dir/err")"
    [ "$(stat -c %s "$big/tagged.mp3")" -eq $size ] || fail "5 GiB: the tagged file changed size"
    [ "$(stat -c %s "$big/untagged.mp3")" -eq $((size + 128)) ] ||
      fail "5 GiB: the untagged file is $(stat -c %s "$big/untagged.mp3") bytes, not 5 GiB + 128"
    [ "$(title_of "$big/tagged.mp3")" = "big written" ] &&
      [ "$(title_of "$big/untagged.mp3")" = "big written" ] ||
      fail "5 GiB: the tags were not written at the end"
    [ "$(helper prefix "$big/tagged.mp3" $((size - 128)))" = "$tagged_audio" ] &&
      [ "$(helper prefix "$big/untagged.mp3" $size)" = "$untagged_audio" ] ||
      fail "5 GiB: audio bytes changed"
    [ "$(($(stat -c %b "$big/tagged.mp3") * 512))" -le $((64 * 1024 * 1024)) ] ||
      fail "5 GiB: the file is no longer sparse"
    rm -rf "$big"
  fi
}

sections=("${@:2}")
[ ${#sections[@]} -gt 0 ] ||
  sections=(odd_names odd_folder links fifo_and_socket vanished escaped_names sparse_5gib)
for section in "${sections[@]}"; do "$section"; done
if [ $failures -eq 0 ]; then echo "hostile_folders ${sections[*]}: all passed"; fi
exit $((failures > 0))
