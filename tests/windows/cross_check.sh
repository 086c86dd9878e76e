#!/usr/bin/env bash
# quorvane-tag.exe under Wine against the Linux quorvane-tag on the same folders: list must
# print the same bytes, and the same edited sheet applied by each must leave the same files.
# Usage: cross_check.sh PATH/TO/quorvane-tag PATH/TO/quorvane-tag.exe
# Wine must be set up (WINEPREFIX, a running wineserver); see scripts/build-windows.sh.
set -u
linux_tool=$(realpath "$1")
windows_tool=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A folder of tags in every shape a sheet meets: Japanese and English text, bytes that are
# not CP932, a lone lead byte at the end of a field, full fields, genres in and out of the
# table, files without a tag and too short for one, Japanese names.
python3 - "$dir/folder" <<'PY'
import os, random, sys
folder = sys.argv[1]
os.makedirs(folder)
random.seed(7)
audio = bytes((i * 7 + 3) & 0xFF for i in range(1500))
def field(data, width):
    data = data.encode("cp932") if isinstance(data, str) else data
    return (data + b" " * width)[:width]
def tag(title, artist=b"", album=b"", year=b"", comment=b"", genre=0):
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
            + field(comment, 30) + bytes([genre]))
files = {
    "01 夜明けの歌.mp3": tag("夜明けの歌", "山田 花子", "朝のアルバム", "1998", "デモ", 13),
    "02 Blue.MP3": tag("Blue Morning", "The Examples", "Demo", "2011", "English", 17),
    "03 lone lead.mp3": tag(b"abc\x82", b"\x80\xfd\xa0", b"\x81\x5c\x87\x40", b"19\xff9",
                            b"x" * 28 + b"\x00\x07", 255),
    "04 no tag.mp3": None,
    "05 full.mp3": tag("全角文字で三十バイトを埋め尽くす", "ｶﾀｶﾅ", "①②③", "2020", "～〜−", 147),
    "06 short.mp3": b"",
}
for i in range(40):
    fields = [bytes(random.randrange(1, 256) for _ in range(random.randrange(0, 31)))
              for _ in range(5)]
    files["r%02d ランダム.mp3" % i] = tag(*fields, genre=random.randrange(256))
for name, block in files.items():
    with open(os.path.join(folder, name), "wb") as out:
        out.write(block if name.endswith("short.mp3") else audio + (block or b""))
PY

wine_path() { winepath -w "$1" 2>/dev/null; }
win() { timeout 120 wine "$windows_tool" "$@"; }
fingerprint() { (cd "$1" && for f in *; do printf '%s %s\n' "$(sha256sum < "$f" | cut -c1-64)" "$f"; done); }

"$linux_tool" list "$dir/folder" > "$dir/linux.rows" || fail "Linux list exited $?"
win list "$(wine_path "$dir/folder")" > "$dir/windows.rows" || fail "Windows list exited $?"
[ -s "$dir/linux.rows" ] || fail "Linux list printed nothing"
cmp "$dir/linux.rows" "$dir/windows.rows" || {
  fail "list differs"
  diff <(cat -A "$dir/linux.rows") <(cat -A "$dir/windows.rows") | head -n 20
}

# An edited sheet: new Japanese titles, a rename, a genre, a comment, every row marked but
# the file too short for a tag (both must refuse it the same way; that is checked below).
python3 - "$dir/linux.rows" "$dir/edited.rows" <<'PY'
import sys
rows = open(sys.argv[1], encoding="utf-8").read().split("\n")
out = []
for i, line in enumerate(r for r in rows if r):
    cells = line.split("\t")
    if cells[0].endswith("short.mp3"):
        out.append(line)
        continue
    cells[1] = "新しい題名 %d ー～" % i
    if i == 0:
        cells[0] = "名前を変えた.mp3"
    if i == 1:
        cells[6] = "Rock"
        cells[5] = "コメント"
    cells[8] = "2"
    out.append("\t".join(cells))
open(sys.argv[2], "w", encoding="utf-8").write("\n".join(out) + "\n")
PY
cp -a "$dir/folder" "$dir/by-linux"
cp -a "$dir/folder" "$dir/by-windows"
"$linux_tool" apply "$dir/by-linux" < "$dir/edited.rows" > "$dir/linux.out" 2>&1 ||
  fail "Linux apply exited $?: $(cat "$dir/linux.out")"
win apply "$(wine_path "$dir/by-windows")" < "$dir/edited.rows" > "$dir/windows.out" 2>&1 ||
  fail "Windows apply exited $?: $(cat "$dir/windows.out")"
[ "$(fingerprint "$dir/by-linux")" = "$(fingerprint "$dir/folder")" ] && fail "Linux apply changed nothing"
diff <(fingerprint "$dir/by-linux") <(fingerprint "$dir/by-windows") || fail "apply left other files"

# The same in CSV: list --csv prints the same bytes, and the edited sheet saved as CSV (as a
# spreadsheet program saves it) leaves the same files as the tab-separated one.
"$linux_tool" list --csv "$dir/folder" > "$dir/linux.csv" || fail "Linux list --csv exited $?"
win list --csv "$(wine_path "$dir/folder")" > "$dir/windows.csv" || fail "Windows list --csv exited $?"
cmp "$dir/linux.csv" "$dir/windows.csv" || fail "list --csv differs"
python3 - "$dir/edited.rows" "$dir/edited.csv" <<'PY'
import csv, sys
# Read as apply reads it: a cell that begins with a quote is quoted.
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="utf-8"), delimiter="\t"))
with open(sys.argv[2], "w", newline="", encoding="utf-8") as f:
    csv.writer(f).writerows(rows)
PY
cp -a "$dir/folder" "$dir/csv-by-linux"
cp -a "$dir/folder" "$dir/csv-by-windows"
"$linux_tool" apply "$dir/csv-by-linux" < "$dir/edited.csv" > "$dir/linux.out" 2>&1 ||
  fail "Linux apply of CSV exited $?: $(cat "$dir/linux.out")"
win apply "$(wine_path "$dir/csv-by-windows")" < "$dir/edited.csv" > "$dir/windows.out" 2>&1 ||
  fail "Windows apply of CSV exited $?: $(cat "$dir/windows.out")"
diff <(fingerprint "$dir/by-linux") <(fingerprint "$dir/csv-by-linux") ||
  fail "CSV left other files than tab-separated text"
diff <(fingerprint "$dir/csv-by-linux") <(fingerprint "$dir/csv-by-windows") ||
  fail "apply of CSV left other files"

# The file too short for a tag: both refuse it, in the same words.
grep 'short.mp3' "$dir/linux.rows" | awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "x"; $9 = "2"; print }' \
  > "$dir/short.rows"
"$linux_tool" apply "$dir/by-linux" < "$dir/short.rows" > "$dir/linux.out" 2>&1 &&
  fail "Linux apply wrote a tag into a file too short for one"
win apply "$(wine_path "$dir/by-windows")" < "$dir/short.rows" > "$dir/windows.out" 2>&1 &&
  fail "Windows apply wrote a tag into a file too short for one"
diff <(grep -v 'ファイル名' "$dir/linux.out") <(grep -v 'ファイル名' "$dir/windows.out") ||
  fail "the refusals differ"
grep -q '128 バイトより短い' "$dir/windows.out" || fail "no reason given: $(cat "$dir/windows.out")"

# Names that lead out of FOLDER on Windows: refused before anything is written, and the
# file beside FOLDER keeps its bytes.
cp "$dir/folder/02 Blue.MP3" "$dir/outside.mp3"
before=$(sha256sum < "$dir/outside.mp3")
for cells in '..\outside.mp3|..\outside.mp3' 'x.mp3|..\outside.mp3' '..\x.mp3|02 Blue.MP3' \
  'C:x.mp3|02 Blue.MP3'; do
  printf '%s\tTitle\t\t\t\t\t\t%s\t2\t0\n' "${cells%%|*}" "${cells##*|}" > "$dir/escape.rows"
  win apply "$(wine_path "$dir/by-windows")" < "$dir/escape.rows" > "$dir/windows.out" 2>&1
  status=$?
  [ "$status" -eq 2 ] || fail "apply of '$cells' exited $status, not 2: $(cat "$dir/windows.out")"
  grep -q 'must be a file name in FOLDER' "$dir/windows.out" ||
    fail "no reason for '$cells': $(cat "$dir/windows.out")"
done
[ "$(sha256sum < "$dir/outside.mp3")" = "$before" ] || fail "a file outside FOLDER was written"

if [ "$failures" -eq 0 ]; then echo "cross_check: list and apply agree"; else exit 1; fi
