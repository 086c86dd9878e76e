#!/usr/bin/env bash
# quorvane-tag list on tags that other tools wrote, on odd folders, and its errors.
# Usage: list_peers_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# A few MPEG frames, so that tools that look for audio find some.
frames() { /usr/bin/python3 -c "import sys; sys.stdout.buffer.write((b'\xff\xfb\x90\x00' + bytes(413)) * 10)"; }

folder=$dir/music
mkdir "$folder"
frames > "$folder/id3v2.mp3"
frames > "$folder/mutagen.mp3"
frames > "$folder/eyed3.mp3"
frames > "$folder/UNTAGGED.MP3"
frames > "$folder/jp.mp3"
frames > "$folder/tab	name.mp3"
mkdir "$folder/sub.mp3"

id3v2 -1 -t "Id3v2 Title" -a "Artist" -A "Album" -y 1999 -c "Comment" -g 17 "$folder/id3v2.mp3" ||
  fail "id3v2 could not write"
/usr/bin/python3 - "$folder/mutagen.mp3" <<'PY' || fail "mutagen could not write"
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TDRC, TCON
tags = ID3()
tags.add(TIT2(encoding=3, text="Mutagen Title"))
tags.add(TPE1(encoding=3, text="M Artist"))
tags.add(TDRC(encoding=3, text="2004"))
tags.add(TCON(encoding=3, text="(84)"))
tags.save(sys.argv[1], v1=2)
PY
eyeD3 --v1 -t "Eyed3 Title" -a "E Artist" -A "E Album" -G Rock -Y 2010 "$folder/eyed3.mp3" \
  >/dev/null 2>&1 || fail "eyeD3 could not write"
# A tag in code page 932: title "曲名" padded with spaces, genre 255.
{
  printf 'TAG\x8b\xc8\x96\xbc'; printf '%26s' ''
  printf '%30s' '' ; printf '%30s' ''; printf '2020'; printf '%30s' ''; printf '\xff'
} >> "$folder/jp.mp3"

expected="eyed3.mp3${T}Eyed3 Title${T}E Artist${T}E Album${T}2010${T}${T}Rock${T}eyed3.mp3${T}1${T}17
id3v2.mp3${T}Id3v2 Title${T}Artist${T}Album${T}1999${T}Comment${T}Rock${T}id3v2.mp3${T}1${T}17
jp.mp3${T}曲名${T}${T}${T}2020${T}$(printf '%30s' '')${T}${T}jp.mp3${T}1${T}255
mutagen.mp3${T}Mutagen Title${T}M Artist${T}${T}2004${T}${T}Bebob${T}mutagen.mp3${T}1${T}84
UNTAGGED.MP3${T}${T}${T}${T}${T}${T}Blues${T}UNTAGGED.MP3${T}1${T}0"

listed=$("$tool" list "$folder" 2>"$dir/err"); status=$?
[ $status -eq 0 ] || fail "list exited $status"
# The eleventh cell is the file's fingerprint: its length and a hash of its tag, in hex.
actual=$(printf '%s\n' "$listed" | cut -f 1-10)
[ "$(printf '%s\n' "$listed" | cut -f 11 | grep -cvE '^[0-9a-f]+\.[0-9a-f]{32}$')" -eq 0 ] ||
  fail "a fingerprint is not the length and a hash in hex: $(printf '%s\n' "$listed" | cut -f 11)"
[ "$(printf '%s\n' "$listed" | cut -f 11 | sort -u | wc -l)" -eq 5 ] ||
  fail "five different files do not have five fingerprints"
[ "$(printf '%s\n' "$listed" | grep '^jp.mp3' | cut -f 11 | cut -d . -f 1)" = \
  "$(printf '%x' "$(stat -c %s "$folder/jp.mp3")")" ] || fail "the fingerprint's length is not the file's"
[ "$actual" = "$expected" ] || fail "rows differ:
--- expected
$expected
--- actual
$actual"
grep -q 'tab	name.mp3' "$dir/err" || fail "the name with a tab is not reported on stderr"
[ "$(wc -l < "$dir/err")" -eq 1 ] || fail "stderr should hold one line: $(cat "$dir/err")"

# --bom puts a UTF-8 byte-order mark before the same rows.
bom=$("$tool" list --bom "$folder" 2>/dev/null | head -c 3 | od -An -tx1 | tr -d ' ')
[ "$bom" = "efbbbf" ] || fail "list --bom starts with $bom"
[ "$("$tool" list --bom "$folder" 2>/dev/null | tail -c +4)" = "$listed" ] ||
  fail "list --bom rows differ"

# A relative folder and a trailing slash mean the same folder.
relative=$(cd "$dir" && "$tool" list music/ 2>/dev/null)
[ "$relative" = "$listed" ] || fail "a relative FOLDER/ lists differently"

# Errors: nothing on stdout, one line on stderr naming the folder, exit 2.
for bad in "$dir/missing" "$folder/id3v2.mp3"; do
  out=$("$tool" list "$bad" 2>"$dir/err"); status=$?
  [ $status -eq 2 ] || fail "list $bad exited $status"
  [ -z "$out" ] || fail "list $bad printed rows"
  grep -qF "$bad" "$dir/err" || fail "the message does not name $bad"
  [ "$(wc -l < "$dir/err")" -eq 1 ] || fail "list $bad: more than one line on stderr"
done

"$tool" list >/dev/null 2>&1; [ $? -eq 2 ] || fail "list without FOLDER should exit 2"
"$tool" frobnicate "$folder" >/dev/null 2>&1; [ $? -eq 2 ] || fail "an unknown command should exit 2"
"$tool" --help | grep -q 'list FOLDER' || fail "--help does not explain list"
QUORVANE_CODEPAGE=NO-SUCH "$tool" list "$folder" >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown code page should exit 2"

finish "list_peers_test: all passed"
