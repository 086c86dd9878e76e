#!/usr/bin/env bash
# quorvane-tag apply: round trips through list, renames, failures, and refusing bad input.
# Usage: apply_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# field TEXT WIDTH: TEXT (printf escapes allowed) padded with spaces to WIDTH bytes
field() {
  local n
  n=$(printf "$1" | head -c "$2" | wc -c)
  printf "$1" | head -c "$2"
  printf '%*s' $(($2 - n)) ''
}
tag() { printf 'TAG'; field "$1" 30; field "$2" 30; field "$3" 30; field "$4" 4; field "$5" 30; printf "\\x$6"; }

folder=$dir/music
mkdir "$folder"
{ audio 3000; tag '\x8b\xc8 \x80\xfd end\x82' 'Artist' 'Album' '1999' 'note' '11'; } > "$folder/jp.mp3"
{ audio 2000; tag 'English' '' '' '2001' '' 'ff'; } > "$folder/en.mp3"
audio 1500 > "$folder/untagged.mp3"
audio 1700 > "$folder/other.MP3"
id3v2 -1 -t "Peer" -c "zero padded" -g 17 "$folder/other.MP3" 2>/dev/null || fail "id3v2 failed"

snapshot() { (cd "$folder" && for f in *; do printf '%s %s\n' "$(sha256sum < "$f")" "$f"; done); }
size() { stat -c %s "$1"; }
mark_all_changed() { awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "2"; print }'; }

# 1. list, mark every row changed without touching anything, apply.
"$tool" list "$folder" > "$dir/rows" || fail "list failed"
declare -A before_size
for f in "$folder"/*; do before_size[$f]=$(size "$f"); done
head_jp=$(head -c 3000 "$folder/jp.mp3" | sha256sum)
tag_jp=$(tail -c 128 "$folder/jp.mp3" | sha256sum)
mark_all_changed < "$dir/rows" | "$tool" apply "$folder" || fail "apply exited $?"
[ "$(head -c 3000 "$folder/jp.mp3" | sha256sum)" = "$head_jp" ] || fail "audio bytes changed"
[ "$(tail -c 128 "$folder/jp.mp3" | sha256sum)" = "$tag_jp" ] ||
  fail "the code page 932 tag with undecodable bytes did not come back byte for byte"
[ "$(size "$folder/jp.mp3")" -eq "${before_size[$folder/jp.mp3]}" ] || fail "jp.mp3 changed length"
[ "$(size "$folder/untagged.mp3")" -eq $((${before_size[$folder/untagged.mp3]} + 128)) ] ||
  fail "untagged.mp3 did not grow by exactly 128"
"$tool" list "$folder" > "$dir/rows2"
# Fields that another tool ended with zero bytes come back padded with spaces (the stored
# form); everything else is as it was.
# The fingerprints (cell 11) are new: the files were written.
trim() {
  awk -F'\t' 'BEGIN { OFS = "\t" } { sub(/ +$/, "", $5); sub(/ +$/, "", $6); NF = 10; print }'
}
[ "$(trim < "$dir/rows2")" = "$(trim < "$dir/rows")" ] || fail "list after apply differs:
$(diff <(trim < "$dir/rows") <(trim < "$dir/rows2"))"
grep -q "^jp.mp3${T}" "$dir/rows2" && [ "$(grep "^jp.mp3" "$dir/rows2")" = "$(grep "^jp.mp3" "$dir/rows")" ] ||
  fail "the jp.mp3 row changed"
# A second round changes nothing at all.
mark_all_changed < "$dir/rows2" | "$tool" apply "$folder"
"$tool" list "$folder" > "$dir/rows3"
cmp -s "$dir/rows2" "$dir/rows3" || fail "a second apply changed the rows"

# 2. Edits, a rename, and a genre, from a file with BOM and CRLF.
printf '\xef\xbb\xbf' > "$dir/edit"
awk -F'\t' 'BEGIN { OFS = "\t" }
  $8 == "en.mp3" { $1 = "renamed.mp3"; $2 = "曲"; $10 = "84"; $9 = "2" }
  { printf "%s\r\n", $0 }' "$dir/rows3" >> "$dir/edit"
"$tool" apply "$folder" "$dir/edit" || fail "apply of an edit exited $?"
[ -e "$folder/renamed.mp3" ] && [ ! -e "$folder/en.mp3" ] || fail "en.mp3 was not renamed"
row=$("$tool" list "$folder" | grep '^renamed.mp3' | cut -f 1-10)
[ "$row" = "renamed.mp3${T}曲${T}${T}${T}2001${T}$(printf '%30s' '')${T}Bebob${T}renamed.mp3${T}1${T}84" ] ||
  fail "renamed row is: $row"
[ "$(tail -c 125 "$folder/renamed.mp3" | head -c 2 | od -An -tx1 | tr -d ' ')" = "8bc8" ] ||
  fail "the title is not stored in code page 932"

# Rows left unmarked are never written, whatever their files hold.
before=$(snapshot)
"$tool" list "$folder" | "$tool" apply "$folder" || fail "apply of unmarked rows exited $?"
[ "$(snapshot)" = "$before" ] || fail "apply wrote rows that were not marked 2"

# 3. Bad input: nothing at all is written.
before=$(snapshot)
"$tool" list "$folder" | mark_all_changed > "$dir/good"
for bad in "a${T}b" "x.mp3${T}${T}${T}${T}${T}${T}${T}x.mp3${T}5${T}0" \
           "x.mp3${T}${T}${T}${T}${T}${T}${T}x.mp3${T}2${T}300" \
           "x.mp3${T}${T}${T}${T}${T}${T}${T}../x.mp3${T}2${T}0"; do
  { cat "$dir/good"; printf '%s\n' "$bad"; } > "$dir/bad"
  "$tool" apply "$folder" "$dir/bad" 2> "$dir/err"; status=$?
  [ $status -eq 2 ] || fail "bad input exited $status"
  grep -q "line $(($(wc -l < "$dir/good") + 1)):" "$dir/err" || fail "no line number in: $(cat "$dir/err")"
done
[ "$(snapshot)" = "$before" ] || fail "bad input changed files"

# 4. A failing rename: reported, exit 1, the other rows written.
awk -F'\t' 'BEGIN { OFS = "\t" }
  $8 == "jp.mp3" { $1 = "untagged.mp3"; $9 = "2" }
  $8 == "other.MP3" { $2 = "Still written"; $9 = "2" }
  { print }' "$dir/rows3" | sed "s/^en.mp3/renamed.mp3/; s/${T}en.mp3${T}/${T}renamed.mp3${T}/" > "$dir/clash"
"$tool" apply "$folder" "$dir/clash" 2> "$dir/err"; status=$?
[ $status -eq 1 ] || fail "a failed rename exited $status"
grep -q "変更を保存できませんでした。" "$dir/err" || fail "the failure text is missing: $(cat "$dir/err")"
grep -q "jp.mp3" "$dir/err" || fail "the failure does not name the file"
[ -e "$folder/jp.mp3" ] || fail "jp.mp3 is gone"
"$tool" list "$folder" | grep -q "^other.MP3${T}Still written${T}" || fail "the other row was not written"

# 5. The same edit as plain LF text and as BOM + CRLF text writes the same bytes.
plain=$dir/plain crlf=$dir/crlf
mkdir "$plain" "$crlf"
cp "$folder"/*.mp3 "$folder"/*.MP3 "$plain"/
cp "$folder"/*.mp3 "$folder"/*.MP3 "$crlf"/
"$tool" list "$plain" | awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "新 " $2; $9 = "2"; print }' > "$dir/lf"
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$dir/lf"; printf '\r\n'; } > "$dir/bomcrlf"
"$tool" apply "$plain" "$dir/lf" && "$tool" apply "$crlf" "$dir/bomcrlf" || fail "apply failed"
(cd "$plain" && sha256sum *) > "$dir/sum-plain"
(cd "$crlf" && sha256sum *) > "$dir/sum-crlf"
cmp -s "$dir/sum-plain" "$dir/sum-crlf" || fail "BOM + CRLF input wrote other bytes"

# 6. Usage errors.
"$tool" apply "$dir/missing" < /dev/null 2>/dev/null; [ $? -eq 2 ] || fail "missing folder should exit 2"
"$tool" apply "$folder" "$dir/no-such-file" 2>/dev/null; [ $? -eq 2 ] || fail "missing FILE should exit 2"

# 7. Cells longer than their fields are cut as Save cuts them, each cut reported on stderr
#    (line, cell, bytes given and kept); the rows are still written and the exit status is 0.
#    Rows not marked 2 are not written and not reported.
cuts=$dir/cuts
mkdir "$cuts"
for name in a b c; do audio 400 >"$cuts/$name.mp3"; done
long30=$(printf '%031d' 0)
kana=$(printf 'あ%.0s' {1..15})
{
  printf '%s\n' "a.mp3${T}${long30}${T}${kana}${T}ok${T}19999${T}${kana}x${T}${T}a.mp3${T}2${T}0"
  printf '%s\n' "b.mp3${T}${kana}${T}${T}${T}2001${T}x${kana}${T}${T}b.mp3${T}2${T}0"
  printf '%s\n' "c.mp3${T}${long30}${T}${T}${T}${T}${T}${T}c.mp3${T}1${T}0"
} >"$dir/long"
"$tool" apply "$cuts" "$dir/long" 2>"$dir/err"; status=$?
[ $status -eq 0 ] || fail "apply of long cells exited $status"
[ "$(cat "$dir/err")" = "quorvane-tag: line 1, cell 2 (title): 31 bytes in CP932, cut to 30
quorvane-tag: line 1, cell 5 (year): 5 bytes in CP932, cut to 4
quorvane-tag: line 1, cell 6 (comment): 31 bytes in CP932, cut to 30
quorvane-tag: line 2, cell 6 (comment): 31 bytes in CP932, cut to 30 inside a double-byte $(
  )character (its first byte is kept)" ] ||
  fail "the cuts are reported as:
$(cat "$dir/err")"
[ "$(tail -c 125 "$cuts/a.mp3" | head -c 30)" = "${long30:0:30}" ] ||
  fail "the long title was not cut to 30"
[ "$(tail -c 95 "$cuts/a.mp3" | head -c 30 | iconv -f CP932 -t UTF-8)" = "$kana" ] ||
  fail "a cell of exactly 30 bytes was not kept whole"
[ "$(tail -c 35 "$cuts/a.mp3" | head -c 4)" = "1999" ] || fail "the year was not cut to 4"
[ "$(tail -c 31 "$cuts/b.mp3" | head -c 30 | od -An -tx1 | tr -d ' \n' | tail -c 6)" = "82a082" ] ||
  fail "the comment cut inside a character does not end in its lead byte 0x82"
[ "$(size "$cuts/c.mp3")" -eq 400 ] || fail "a row marked 1 was written"

finish "apply_test: all passed"
