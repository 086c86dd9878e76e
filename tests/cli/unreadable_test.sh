#!/usr/bin/env bash
# A file that cannot be read gets no row from list (a row of empty cells would pass for a
# file without a tag, and saving it would blank the real tag): it is named on stderr with
# the system's reason, the others are listed, and the exit status is 1. Run as root, the
# tool runs as an ordinary user, since root reads every file.
# Usage: unreadable_test.sh PATH/TO/quorvane-tag
set -u
source "$(dirname "$0")/cli_test_lib.sh"
chmod 755 "$dir"
cp "$(realpath "$1")" "$dir/quorvane-tag"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: root without setpriv reads every file"; exit 77; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp)
  # The tool is copied into $dir, which lies under TMPDIR: that must be open to others.
  "${as_user[@]}" test -x "$dir/quorvane-tag" ||
    { echo "SKIP: nobody cannot reach $dir (a folder on the way is closed to others)"; exit 77; }
fi

folder=$dir/music
mkdir -m 755 "$folder"
tag() { printf 'TAG%-30s%-30s%-30s%-4s%-30s\x0d' "$1" "$2" "" "1999" ""; }
{ audio 500; tag "Readable" "Artist"; } > "$folder/a.mp3"
{ audio 500; tag "Secret" "Hidden"; } > "$folder/b.mp3"
{ audio 500; tag "Also readable" ""; } > "$folder/c.mp3"
chmod 644 "$folder"/*.mp3
chmod 000 "$folder/b.mp3"

"${as_user[@]}" "$dir/quorvane-tag" list "$folder" > "$dir/rows" 2> "$dir/err"
status=$?
[ "$status" -eq 1 ] || fail "list exited $status, not 1"
[ "$(cut -f1 "$dir/rows" | tr '\n' ' ')" = "a.mp3 c.mp3 " ] ||
  fail "rows listed: $(cut -f1 "$dir/rows" | tr '\n' ' ')"
grep -qx 'quorvane-tag: left out (cannot be read): b.mp3: Permission denied' "$dir/err" ||
  fail "no reason for b.mp3 on stderr: $(cat "$dir/err")"

# The listed rows apply as ever, and the unreadable file keeps every byte.
sed "s/${T}1${T}13${T}/${T}2${T}13${T}/" "$dir/rows" | "$dir/quorvane-tag" apply "$folder" ||
  fail "apply of the readable rows exited $?"
chmod 644 "$folder/b.mp3"
[ "$(tail -c 125 "$folder/b.mp3" | head -c 6)" = "Secret" ] || fail "b.mp3's tag changed"
finish "unreadable files: left out with their reason"
