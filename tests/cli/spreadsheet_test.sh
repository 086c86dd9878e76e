#!/usr/bin/env bash
# quorvane-tag apply on text as spreadsheet programs save it: UTF-8 with or without a
# byte-order mark, UTF-16 with one, CP932 named with --encoding; input that is not text in
# its encoding; and cells quoted as spreadsheet programs quote them.
# Usage: spreadsheet_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# A tag: TAG, title, artist, album, year, comment, genre (printf escapes allowed).
tag() {
  printf 'TAG'
  printf "$1%*s" $((30 - $(printf "$1" | wc -c))) ''
  printf '%-30s%-30s%-4s%-30s' "$2" "$3" "$4" "$5"
  printf "\\x$6"
}

original=$dir/original
mkdir "$original"
{ audio 2000; tag '\x8b\xc8\x96\xbc' 'Artist' 'Album' '1999' 'note' '11'; } >"$original/jp.mp3"
{ audio 2000; tag 'English' '' '' '2001' '' '00'; } >"$original/en.mp3"
audio 1500 >"$original/untagged.mp3"

fresh() { rm -rf "$dir/$1" && cp -r "$original" "$dir/$1"; }
sums() { (cd "$dir/$1" && sha256sum -- *); }

# The edit: new titles with a backslash and a full-width tilde (the characters where CP932
# and JIS Shift_JIS differ) and a rename, as UTF-8 text.
"$tool" list "$original" >"$dir/rows" || fail "list failed"
awk -F'\t' 'BEGIN { OFS = "\t" }
  $8 == "jp.mp3" { $2 = "曲 ～ \\ 新"; $9 = "2" }
  $8 == "en.mp3" { $1 = "名前.mp3"; $2 = "タイトル"; $9 = "2" }
  { print }' "$dir/rows" >"$dir/edit.utf8"
fresh reference
"$tool" apply "$dir/reference" "$dir/edit.utf8" || fail "apply of UTF-8 exited $?"
[ "$("$tool" list "$dir/reference" | cut -f1,2 | tr '\t\n' '|;')" = \
  "jp.mp3|曲 ～ \\ 新;untagged.mp3|;名前.mp3|タイトル;" ] || fail "the UTF-8 edit was not saved"
[ "$(tail -c 125 "$dir/reference/jp.mp3" | head -c 9 | od -An -tx1 | tr -d ' ')" = \
  "8bc8208160205c2090" ] || fail "the title is not stored as CP932 bytes"

# The same edit in every form a spreadsheet program saves writes the same bytes.
crlf() { sed 's/$/\r/' "$dir/edit.utf8"; }
{ printf '\xef\xbb\xbf'; crlf; } >"$dir/edit.utf8-bom"
{ printf '\xff\xfe'; crlf | iconv -f UTF-8 -t UTF-16LE; } >"$dir/edit.utf16le"
{ printf '\xfe\xff'; crlf | iconv -f UTF-8 -t UTF-16BE; } >"$dir/edit.utf16be"
crlf | iconv -f UTF-8 -t CP932 >"$dir/edit.cp932"
forms=(
  "utf8-bom|"
  "utf16le|"
  "utf16be|"
  "utf16le|--encoding UTF-16LE"
  "utf16be|--encoding=UTF-16"
  "cp932|--encoding CP932"
  "cp932|--encoding=cp932"
  "cp932|--encoding SHIFT_JIS"
)
for form in "${forms[@]}"; do
  file=${form%%|*}
  IFS=' ' read -r -a options <<<"${form#*|}"
  fresh try
  "$tool" apply "${options[@]}" "$dir/try" "$dir/edit.$file" 2>"$dir/err" ||
    fail "$form: apply exited $?: $(cat "$dir/err")"
  [ "$(sums try)" = "$(sums reference)" ] || fail "$form: other bytes than from UTF-8 text"
done

# Not text in its encoding: one error naming the first bad line, with the way out; nothing
# written. CP932 text's first non-ASCII byte is on line 1 (jp.mp3's row).
way="name the file's encoding with --encoding, for example --encoding"
bad_cases=(
  "cp932||line 1: not UTF-8 text; $way CP932"
  "utf8-bom|--encoding CP932|line 1: not CP932 text; $way UTF-8"
  "utf16le|--encoding UTF-8|line 1: not UTF-8 text; $way CP932"
  "utf16le-nobom||line 1: not UTF-8 text (it holds a zero byte); $way UTF-16LE"
  "utf16le-cut||line 4: not UTF-16LE text (the encoding its byte-order mark names); $way UTF-8"
)
tail -c +3 "$dir/edit.utf16le" >"$dir/edit.utf16le-nobom"
{ cat "$dir/edit.utf16le"; printf 'x'; } >"$dir/edit.utf16le-cut"
for case in "${bad_cases[@]}"; do
  IFS='|' read -r file option expected <<<"$case"
  IFS=' ' read -r -a options <<<"$option"
  fresh try
  "$tool" apply "${options[@]}" "$dir/try" "$dir/edit.$file" 2>"$dir/err"
  status=$?
  [ $status -eq 2 ] || fail "$file $option: exited $status"
  [ "$(cat "$dir/err")" = "quorvane-tag: $expected
quorvane-tag: nothing was written" ] || fail "$file $option: stderr is:
$(cat "$dir/err")"
  [ "$(sums try)" = "$(sums original)" ] ||
    fail "$file $option: files changed"
done

"$tool" apply --encoding NO-SUCH "$dir/try" "$dir/edit.utf8" 2>"$dir/err"
[ $? -eq 2 ] &&
  [ "$(cat "$dir/err")" = \
    "quorvane-tag: unknown encoding: NO-SUCH (iconv --list shows the names)" ] ||
  fail "an unknown encoding: $(cat "$dir/err")"

# Quotes. list writes a cell that begins with '"' quoted, as spreadsheet programs do; apply
# reads list's cells back exactly, and a spreadsheet program's quoting too.
quotes=$dir/quotes
mkdir "$quotes"
titles=('"Quoted" title' 'He said "hi"' '"' '""' '"abc' 'abc"' '"a b"')
for i in "${!titles[@]}"; do
  { audio 500; tag "" '' '' '' '' '00'; } >"$quotes/$i.mp3"
done
{ audio 500; tag 'named' '' '' '' '' '00'; } >"$quotes/\"name\".mp3"
# The titles written in as list writes cells: quoted when they begin with a quote.
"$tool" list "$quotes" | awk -F'\t' -v titles="$(printf '%s\n' "${titles[@]}")" '
  function cell(s) {
    if (substr(s, 1, 1) != "\"") return s
    gsub(/"/, "\"\"", s)
    return "\"" s "\""
  }
  BEGIN { OFS = "\t"; split(titles, t, "\n") }
  $8 ~ /^[0-9]\.mp3$/ { $2 = cell(t[substr($8, 1, 1) + 1]); $9 = "2" }
  { print }' >"$dir/quote-edit"
"$tool" apply "$quotes" "$dir/quote-edit" || fail "apply of titles with quotes exited $?"
for i in "${!titles[@]}"; do
  stored=$(tail -c 125 "$quotes/$i.mp3" | head -c 30 | sed 's/ *$//')
  [ "$stored" = "${titles[$i]}" ] || fail "title '${titles[$i]}' was stored as '$stored'"
done
"$tool" list "$quotes" >"$dir/quoted-rows"
expected_cells='"""name"".mp3"|named|"""name"".mp3"
0.mp3|"""Quoted"" title"|0.mp3
1.mp3|He said "hi"|1.mp3
2.mp3|""""|2.mp3
3.mp3|""""""|3.mp3
4.mp3|"""abc"|4.mp3
5.mp3|abc"|5.mp3
6.mp3|"""a b"""|6.mp3'
[ "$(cut -f1,2,8 "$dir/quoted-rows" | tr '\t' '|')" = "$expected_cells" ] ||
  fail "list quoted otherwise: $(cut -f1,2,8 "$dir/quoted-rows")"
# Every row saved again as list wrote it: no tag changes.
before=$(cd "$quotes" && sha256sum -- *)
awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "2"; print }' "$dir/quoted-rows" |
  "$tool" apply "$quotes" || fail "apply of list's quoted rows exited $?"
[ "$(cd "$quotes" && sha256sum -- *)" = "$before" ] || fail "list's quoted cells did not read back"
# A spreadsheet program quotes every cell holding a quote, and may quote any cell.
empty5="${T}${T}${T}${T}${T}"
printf '%s\n' "\"1.mp3\"${T}\"He said \"\"bye\"\"\"${empty5}${T}\"1.mp3\"${T}\"2\"${T}0" |
  "$tool" apply "$quotes" || fail "apply of spreadsheet quoting exited $?"
[ "$(tail -c 125 "$quotes/1.mp3" | head -c 30 | sed 's/ *$//')" = 'He said "bye"' ] ||
  fail "a spreadsheet's quoted cell was not read as quoted"

finish "spreadsheet_test: all passed"
