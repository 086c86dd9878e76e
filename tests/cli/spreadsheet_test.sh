#!/usr/bin/env bash
# quorvane-tag apply on text as spreadsheet programs save it, separated by TAB or by commas:
# UTF-8 with or without a byte-order mark, UTF-16 with one, CP932 named with --encoding;
# input that is not text in its encoding; cells quoted as spreadsheet programs quote them,
# holding TABs, commas, quotes and line breaks; and list --csv.
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

# Comma-separated text: list --csv writes RFC 4180 with CR LF line ends (and the byte-order
# mark with --bom), and the same edit saved as CSV in every encoding writes the same bytes
# as the tab-separated one.
"$tool" list --csv "$original" >"$dir/rows.csv" || fail "list --csv failed"
[ "$(head -c 3 "$dir/rows.csv" | od -An -tx1 | tr -d ' ')" != "efbbbf" ] ||
  fail "list --csv wrote a byte-order mark unasked"
"$tool" list --csv --bom "$original" | cmp -s - <(printf '\xef\xbb\xbf'; cat "$dir/rows.csv") ||
  fail "list --csv --bom is not the byte-order mark and list --csv"
[ "$(grep -c $'\r$' "$dir/rows.csv")" -eq 3 ] || fail "list --csv did not end its rows in CR LF"
# The same cells as the tab-separated listing.
/usr/bin/python3 - "$dir/rows.csv" "$dir/rows" <<'PY' || fail "list --csv and list differ"
import csv, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    by_commas = list(csv.reader(f))
by_tabs = [line.split("\t") for line in open(sys.argv[2], encoding="utf-8").read().splitlines()]
sys.exit(by_commas != by_tabs)
PY
/usr/bin/python3 - "$dir/rows.csv" "$dir/edit.csv" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8")))
for cells in rows:
    if cells[7] == "jp.mp3":
        cells[1], cells[8] = "曲 ～ \\ 新", "2"
    if cells[7] == "en.mp3":
        cells[0], cells[1], cells[8] = "名前.mp3", "タイトル", "2"
# As spreadsheet programs save CSV: CR LF, cells quoted where they must be.
with open(sys.argv[2], "w", newline="", encoding="utf-8") as f:
    csv.writer(f).writerows(rows)
PY
{ printf '\xef\xbb\xbf'; cat "$dir/edit.csv"; } >"$dir/edit.csv-bom"
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$dir/edit.csv"; } >"$dir/edit.csv-utf16le"
{ printf '\xfe\xff'; iconv -f UTF-8 -t UTF-16BE "$dir/edit.csv"; } >"$dir/edit.csv-utf16be"
iconv -f UTF-8 -t CP932 "$dir/edit.csv" >"$dir/edit.csv-cp932"
sed 's/\r$//' "$dir/edit.csv" >"$dir/edit.csv-lf"
csv_forms=(
  "csv|"
  "csv|--csv"
  "csv-lf|"
  "csv-bom|"
  "csv-bom|--csv"
  "csv-utf16le|"
  "csv-utf16be|--csv"
  "csv-cp932|--encoding CP932"
  "csv-cp932|--csv --encoding=SJIS"
)
for form in "${csv_forms[@]}"; do
  file=${form%%|*}
  IFS=' ' read -r -a options <<<"${form#*|}"
  fresh try
  "$tool" apply "${options[@]}" "$dir/try" "$dir/edit.$file" 2>"$dir/err" ||
    fail "$form: apply exited $?: $(cat "$dir/err")"
  [ ! -s "$dir/err" ] || fail "$form: apply wrote to stderr: $(cat "$dir/err")"
  [ "$(sums try)" = "$(sums reference)" ] || fail "$form: other bytes than from UTF-8 TSV"
done
# Forced the other way, each form is the wrong one, and says so; nothing is written.
fresh try
"$tool" apply --tsv "$dir/try" "$dir/edit.csv" 2>"$dir/err"
[ $? -eq 2 ] && grep -q '^quorvane-tag: line 1: expected 10 or 11 cells separated by TAB, found 1$' \
  "$dir/err" || fail "--tsv on CSV: $(cat "$dir/err")"
"$tool" apply --csv "$dir/try" "$dir/edit.utf8" 2>"$dir/err"
[ $? -eq 2 ] && grep -q '^quorvane-tag: line 1: expected 10 or 11 cells separated by commas, found 1$' \
  "$dir/err" || fail "--csv on TSV: $(cat "$dir/err")"
"$tool" apply --csv --tsv "$dir/try" "$dir/edit.utf8" 2>"$dir/err"
[ $? -eq 2 ] && [ "$(head -n 1 "$dir/err")" = "quorvane-tag: --csv and --tsv cannot be given together" ] ||
  fail "--csv --tsv: $(cat "$dir/err")"
[ "$(sums try)" = "$(sums original)" ] || fail "a refused form changed files"

# list --csv quotes what RFC 4180 wants quoted, and only that.
csvq=$dir/csv-quoting
mkdir "$csvq"
{ audio 500; tag 'Hello, "world"' 'He said "hi"' 'plain' '0001' 'x,y' '0d'; } >"$csvq/a,b.mp3"
"$tool" list --csv "$csvq" | sed 's/,[0-9a-f.]*\r$//' >"$dir/out"
[ "$(cat "$dir/out")" = '"a,b.mp3","Hello, ""world""","He said ""hi""",plain,0001,"x,y'"$(
  printf '%*s' 27 '')"'",Pop,"a,b.mp3",1,13' ] || fail "list --csv wrote: $(cat "$dir/out")"

# Quoted cells holding TABs, line breaks, commas and quotes, as spreadsheet programs write
# them in either form: a TAB, CR or LF in a tag cell is stored as one space.
cells=$dir/cells
mkdir "$cells"
for f in a b c; do { audio 500; tag "$f" '' '' '' '' '00'; } >"$cells/$f.mp3"; done
for sep in tab comma; do
  s=$T && [ $sep = comma ] && s=,
  {
    printf '%s\n' "a.mp3$s\"Line one" "Line two\"$s\"x${T}y\"$s\"He said \"\"hi\"\", ok\"${s}1999$s\"c1${s}c2$(
      )"$'\r\n'"c3\"${s}${s}a.mp3${s}2${s}0"
    printf '%s\r\n' "b.mp3$s\"\"\"q\"\"\"$s$s$s$s$s${s}b.mp3${s}2${s}0"
  } >"$dir/cells.$sep"
  rm -rf "$dir/cells-$sep" && cp -r "$cells" "$dir/cells-$sep"
  "$tool" apply "$dir/cells-$sep" "$dir/cells.$sep" 2>"$dir/err" ||
    fail "$sep: quoted cells: apply exited $?: $(cat "$dir/err")"
  spaced="its TAB and line breaks become spaces, as list shows them"
  [ "$(cat "$dir/err")" = "quorvane-tag: line 1, cell 2 (title): $spaced
quorvane-tag: line 1, cell 3 (artist): $spaced
quorvane-tag: line 1, cell 6 (comment): $spaced" ] || fail "$sep: the warnings: $(cat "$dir/err")"
  field() { tail -c 128 "$dir/cells-$sep/$1" | head -c $(($2 + $3)) | tail -c "$3" | sed 's/ *$//'; }
  [ "$(field a.mp3 3 30)" = "Line one Line two" ] || fail "$sep: title: '$(field a.mp3 3 30)'"
  [ "$(field a.mp3 33 30)" = "x y" ] || fail "$sep: artist: '$(field a.mp3 33 30)'"
  [ "$(field a.mp3 63 30)" = 'He said "hi", ok' ] || fail "$sep: album: '$(field a.mp3 63 30)'"
  shown=$s && [ $sep = tab ] && shown=' '
  [ "$(field a.mp3 97 30)" = "c1${shown}c2  c3" ] || fail "$sep: comment: '$(field a.mp3 97 30)'"
  [ "$(field b.mp3 3 30)" = '"q"' ] || fail "$sep: the second row: '$(field b.mp3 3 30)'"
done

# A quote that is never closed: one error, on the line where the cell begins, and nothing
# written, whatever follows.
for sep in tab comma; do
  s=$T && [ $sep = comma ] && s=,
  printf '%s\n' "a.mp3${s}x${s}${s}${s}${s}${s}${s}a.mp3${s}2${s}0" \
    "b.mp3${s}\"Line one" "Line two${s}${s}${s}${s}${s}${s}b.mp3${s}2${s}0" \
    "c.mp3${s}x${s}${s}${s}${s}${s}${s}c.mp3${s}2${s}0" >"$dir/open.$sep"
  rm -rf "$dir/open-$sep" && cp -r "$cells" "$dir/open-$sep"
  "$tool" apply "$dir/open-$sep" "$dir/open.$sep" 2>"$dir/err"
  status=$?
  [ $status -eq 2 ] && [ "$(cat "$dir/err")" = "quorvane-tag: line 2: the double quote that opens cell 2 is never closed
quorvane-tag: nothing was written" ] || fail "$sep: an open quote: exit $status, stderr: $(cat "$dir/err")"
  [ "$(cd "$dir/open-$sep" && sha256sum -- *)" = "$(cd "$cells" && sha256sum -- *)" ] ||
    fail "$sep: an open quote: files changed"
done

# A TAB or line break in a file name is refused, not spaced.
printf '%s\n' "\"a${T}b.mp3\"${T}x${T}${T}${T}${T}${T}${T}a.mp3${T}2${T}0" |
  "$tool" apply "$cells" 2>"$dir/err"
[ $? -eq 2 ] && grep -q '^quorvane-tag: line 1: cell 1 holds a TAB or line break, which no file name may hold$' \
  "$dir/err" || fail "a TAB in a name: $(cat "$dir/err")"

# Cells that a spreadsheet program opened as numbers or formulas and saved so: each is
# warned about on the line of its row, by apply and by --dry-run alike, and still written as
# it stands; rows marked 1, and cells whose bytes stay, are not warned about.
conv=$dir/conversions
mkdir "$conv"
# a.mp3's comment ends in zero bytes, after a space that is text.
{ audio 500; printf 'TAG%-30s%-30s%-30s%-4s1999 ' '=1+1' '00' 'Album' '0001'; head -c 26 /dev/zero; } \
  >"$conv/a.mp3"
{ audio 500; tag 'b' '007' '' '0002' 'note' '00'; } >"$conv/b.mp3"
{ audio 500; tag 'c' '' '' '1999' 'kept' '00'; } >"$conv/c.mp3"
"$tool" list "$conv" | awk -F'\t' 'BEGIN { OFS = "\t" }
  $8 == "a.mp3" { $2 = "2"; $3 = "0"; $5 = "1"; $6 = "1999"; $9 = "2" }
  $8 == "b.mp3" { $3 = "7"; $5 = "2" }
  $8 == "c.mp3" { $5 = "1999"; $6 = "kept"; $9 = "2" }
  { print }' >"$dir/conv.rows"
guess="the spreadsheet may have read it as"
expected_warnings="quorvane-tag: line 1, cell 2 (title): \"2\", the file has \"=1+1\": $guess a formula
quorvane-tag: line 1, cell 3 (artist): \"0\", the file has \"00\": $guess a number
quorvane-tag: line 1, cell 5 (year): \"1\", the file has \"0001\": $guess a number
quorvane-tag: line 1, cell 6 (comment): \"1999\", the file has \"1999 \": $guess a number"
cp -r "$conv" "$dir/conv-dry"
"$tool" apply --dry-run "$dir/conv-dry" "$dir/conv.rows" >/dev/null 2>"$dir/err" ||
  fail "conversions: --dry-run exited $?"
[ "$(cat "$dir/err")" = "$expected_warnings" ] || fail "conversions: --dry-run warned:
$(cat "$dir/err")"
"$tool" apply "$conv" "$dir/conv.rows" 2>"$dir/err" || fail "conversions: apply exited $?"
[ "$(cat "$dir/err")" = "$expected_warnings" ] || fail "conversions: apply warned:
$(cat "$dir/err")"
[ "$("$tool" list "$conv" | cut -f2-6 | head -n 1)" = "2${T}0${T}Album${T}1   ${T}1999$(printf '%26s')" ] ||
  fail "conversions: a.mp3 holds $("$tool" list "$conv" | cut -f2-6 | head -n 1)"

finish "spreadsheet_test: all passed"
