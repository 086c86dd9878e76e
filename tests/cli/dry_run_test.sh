#!/usr/bin/env bash
# quorvane-tag apply --dry-run: what Save would change, file by file, with nothing written;
# and the real apply of the same rows changes exactly that.
# Usage: dry_run_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# mp3 FILE [TAG FIELDS...]: 600 bytes of audio, then a tag when fields are given:
# title artist album year comment genre, padded with spaces (with zero bytes if PAD=zero).
mp3() {
  local file=$1
  shift
  /usr/bin/python3 - "$file" "$@" <<'PY'
import os, sys
path, fields = sys.argv[1], sys.argv[2:]
data = os.urandom(600)
if fields:
    pad = b"\0" if os.environ.get("PAD") == "zero" else b" "
    text = [f.encode("cp932") for f in fields[:5]]
    widths = [30, 30, 30, 4, 30]
    data += b"TAG" + b"".join(t.ljust(w, pad) for t, w in zip(text, widths))
    data += bytes([int(fields[5])])
open(path, "wb").write(data)
PY
}

folder=$dir/music
mkdir "$folder"
mp3 "$folder/a.mp3" Old Artist Album 1999 note 12
mp3 "$folder/b.mp3" Same '' '' '' '' 0
mp3 "$folder/c.mp3" Clash '' '' '' '' 0
mp3 "$folder/d.mp3" 'd tag' '' '' '' '' 0
mp3 "$folder/g.mp3" 'g tag' '' '' '' '' 0
mp3 "$folder/f.mp3" 'f tag' '' '' '' '' 0
mp3 "$folder/ro.mp3" RO '' '' '' '' 0
chmod a-w "$folder/ro.mp3"
head -c 50 /dev/urandom >"$folder/short.mp3"
mp3 "$folder/untagged.mp3"
PAD=zero mp3 "$folder/zero.mp3" Peer '' '' 2000 '' 17
# An ID3v1.1 track number (5) after the comment's zero byte.
PAD=zero mp3 "$folder/v11.mp3" $'Tr\x01ck' '' '' '' note 0
/usr/bin/python3 -c '
import sys; p = sys.argv[1]; d = bytearray(open(p, "rb").read())
d[-3:-1] = b"\0\x05"; open(p, "wb").write(bytes(d))' "$folder/v11.mp3"
mp3 "$folder/jp.mp3" 曲 '' '' '' '' 0
# Spaces that are text, before zero bytes: the sheet's cells lose them.
PAD=zero mp3 "$folder/space.mp3" 'Lost ' '' '' '' '1999 ' 0

# The rows, in the order Save takes them: d is renamed to e and the row loading e writes
# into that same file; g moves away before f takes its name.
long=$(printf '%031d' 7)
row() { printf '%s\n' "$1${T}$2${T}$3${T}$4${T}$5${T}$6${T}${T}$7${T}$8${T}$9"; }
{
  row a2.mp3 'New "q"' Artist Album 1999 note a.mp3 2 17
  row b.mp3 Same '' '' '' '' b.mp3 2 0
  row b.mp3 Clash '' '' '' '' c.mp3 2 0
  row e.mp3 'd tag' '' '' '' '' d.mp3 2 0
  row e.mp3 'e, was d' '' '' '' '' e.mp3 2 0
  row h.mp3 'g tag' '' '' '' '' g.mp3 2 0
  row g.mp3 'f tag' '' '' '' '' f.mp3 2 0
  row ro.mp3 'read-only' '' '' '' '' ro.mp3 2 0
  row short.mp3 x '' '' '' '' short.mp3 2 0
  row gone.mp3 x '' '' '' '' gone.mp3 2 0
  row untagged.mp3 "$long" '' '' '' '' untagged.mp3 2 0
  row zero.mp3 Peer '' '' 2000 '' zero.mp3 2 17
  row v11.mp3 Track '' '' '' note v11.mp3 2 0
  row jp.mp3 '～ tilde\back' '' '' '' '' jp.mp3 2 255
  row space.mp3 Lost '' '' '' 1999 space.mp3 2 0
  row unmarked.mp3 x '' '' '' '' unmarked.mp3 1 0
} >"$dir/edit"

snapshot() { (cd "$1" && for f in *; do printf '%s %s\n' "$(sha256sum <"$f")" "$f"; done); }
before=$(snapshot "$folder")
cp -a "$folder" "$dir/real"

"$tool" apply --dry-run "$folder" "$dir/edit" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 1 ] || fail "the dry run exited $status; a real apply would fail on some rows (1)"
expected="a.mp3: title \"Old\" -> \"New \\\"q\\\"\"
a.mp3: genre 12 (Other) -> 17 (Rock)
a.mp3: renamed to a2.mp3
b.mp3: no change
c.mp3: cannot be renamed to b.mp3: File exists
d.mp3: renamed to e.mp3
e.mp3: title \"d tag\" -> \"e, was d\"
g.mp3: renamed to h.mp3
f.mp3: renamed to g.mp3
ro.mp3: cannot be written: Permission denied
short.mp3: cannot be written: shorter than 128 bytes, too short for a tag
gone.mp3: cannot be written: No such file or directory
untagged.mp3: tag added (the file has none): title \"${long:0:30}\", $(
  )artist \"\", album \"\", year \"\", comment \"\", genre 0 (Blues)
zero.mp3: title \"Peer\", artist \"\", album \"\", comment \"\" (its zero-byte padding becomes spaces)
v11.mp3: title \"Tr\\x01ck\" -> \"Track\"
v11.mp3: comment \"note\" -> \"note\" (the bytes from its first zero byte on become spaces)
v11.mp3: artist \"\", album \"\", year \"\" (its zero-byte padding becomes spaces)
jp.mp3: title \"曲\" -> \"～ tilde\\\\back\"
jp.mp3: genre 0 (Blues) -> 255
space.mp3: title \"Lost \" -> \"Lost\"
space.mp3: comment \"1999 \" -> \"1999\"
space.mp3: artist \"\", album \"\", year \"\" (its zero-byte padding becomes spaces)"
[ "$(cat "$dir/out")" = "$expected" ] || fail "the dry run printed:
$(diff <(printf '%s\n' "$expected") "$dir/out")"
[ "$(cat "$dir/err")" = "quorvane-tag: line 11, cell 2 (title): 31 bytes in CP932, cut to 30
quorvane-tag: line 15, cell 6 (comment): \"1999\", the file has \"1999 \": the spreadsheet may have read it as a number" ] ||
  fail "the dry run's stderr: $(cat "$dir/err")"
[ "$(snapshot "$folder")" = "$before" ] || fail "the dry run changed the folder"

# The real apply of the same rows: the files the dry run named as changed change, the
# others keep every byte, and the renames it foresaw happen.
"$tool" apply "$dir/real" "$dir/edit" >/dev/null 2>&1
[ $? -eq 1 ] || fail "the real apply did not exit 1"
[ "$(ls "$dir/real" | tr '\n' ' ')" = \
  "a2.mp3 b.mp3 c.mp3 e.mp3 g.mp3 h.mp3 jp.mp3 ro.mp3 short.mp3 space.mp3 untagged.mp3 v11.mp3 zero.mp3 " ] ||
  fail "the real apply left: $(ls "$dir/real")"
same() { [ "$(sha256sum <"$folder/$1")" = "$(sha256sum <"$dir/real/$2")" ]; }
for pair in b.mp3:b.mp3 c.mp3:c.mp3 g.mp3:h.mp3 f.mp3:g.mp3 ro.mp3:ro.mp3 short.mp3:short.mp3; do
  same "${pair%%:*}" "${pair#*:}" || fail "${pair%%:*} changed as ${pair#*:}"
done
for pair in a.mp3:a2.mp3 d.mp3:e.mp3 untagged.mp3:untagged.mp3 zero.mp3:zero.mp3 v11.mp3:v11.mp3 \
  jp.mp3:jp.mp3 space.mp3:space.mp3; do
  ! same "${pair%%:*}" "${pair#*:}" || fail "${pair%%:*} did not change"
done
# The fields whose bytes the real apply changed are the ones the dry run named.
changed_fields() {
  /usr/bin/python3 - "$folder/$1" "$dir/real/$2" <<'PY'
import sys
old, new = (open(p, "rb").read()[-128:] for p in sys.argv[1:])
spans = [("title", 3, 33), ("artist", 33, 63), ("album", 63, 93), ("year", 93, 97),
         ("comment", 97, 127), ("genre", 127, 128)]
print(" ".join(name for name, a, b in spans if old[a:b] != new[a:b]))
PY
}
for fields in "a.mp3:a2.mp3:title genre" "zero.mp3:zero.mp3:title artist album comment" \
  "v11.mp3:v11.mp3:title artist album year comment" "jp.mp3:jp.mp3:title genre" \
  "space.mp3:space.mp3:title artist album year comment"; do
  IFS=: read -r from to names <<<"$fields"
  [ "$(changed_fields "$from" "$to")" = "$names" ] ||
    fail "$from: the real apply changed $(changed_fields "$from" "$to"), not $names"
done
[ "$(tail -c 125 "$dir/real/g.mp3" | head -c 5)" = "f tag" ] || fail "f.mp3 is not g.mp3"
[ "$(tail -c 125 "$dir/real/h.mp3" | head -c 5)" = "g tag" ] || fail "g.mp3 is not h.mp3"
[ "$(tail -c 125 "$dir/real/e.mp3" | head -c 8)" = "e, was d" ] || fail "e.mp3 is not d.mp3"
"$tool" list "$dir/real" | grep -q "^a2.mp3${T}New \"q\"${T}" || fail "a2.mp3 is not as foreseen"

# A dry run of rows marked 1 only prints nothing and exits 0.
awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "1"; print }' "$dir/edit" |
  "$tool" apply --dry-run "$folder" >"$dir/out" 2>"$dir/err"
[ $? -eq 0 ] && [ ! -s "$dir/out" ] && [ ! -s "$dir/err" ] || fail "a dry run of unmarked rows"

finish "dry_run_test: all passed"
