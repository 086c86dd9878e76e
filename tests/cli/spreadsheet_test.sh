#!/usr/bin/env bash
# quorvane-tag apply on text as spreadsheet programs save it: UTF-8 with or without a
# byte-order mark, UTF-16 with one, CP932 named with --encoding; and input that is not
# text in its encoding.
# Usage: spreadsheet_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
T=$'\t'

audio() { head -c "$1" /dev/urandom; }
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
bad_cases=(
  "cp932||line 1: not UTF-8 text; name the file's encoding with --encoding, for example --encoding CP932"
  "utf8-bom|--encoding CP932|line 1: not CP932 text; name the file's encoding with --encoding, for example --encoding UTF-8"
  "utf16le|--encoding UTF-8|line 1: not UTF-8 text; name the file's encoding with --encoding, for example --encoding CP932"
  "utf16le-nobom||line 1: not UTF-8 text (it holds a zero byte); name the file's encoding with --encoding, for example --encoding UTF-16LE"
  "utf16le-cut||line 4: not UTF-16LE text (as its byte-order mark says); name the file's encoding with --encoding, for example --encoding UTF-8"
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
  [ "$(cat "$dir/err")" = "quorvane-tag: unknown encoding: NO-SUCH (iconv --list shows the names)" ] ||
  fail "an unknown encoding: $(cat "$dir/err")"

if [ $failures -eq 0 ]; then echo "spreadsheet_test: all passed"; fi
exit $((failures > 0))
