#!/usr/bin/env bash
# quorvane-tag apply and apply --dry-run renaming a file to its own name in other letters:
# where names heed case, onto a hard link of the file (refused: it is another name); on exFAT
# through FUSE, where names ignore case (renamed; a name another file holds in any letters
# stays refused). The dry run foresees what apply does. The exFAT part needs root, /dev/fuse
# and the exFAT tools, and is skipped (77) without them.
# Usage: case_rename_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
here=$(dirname "$0")
source "$here/cli_test_lib.sh"
# The mount goes before the folder that holds it.
trap 'bash "$here/../case_mount.sh" unmount "$dir"; chmod -R u+rwx "$dir"; rm -rf "$dir"' EXIT

# field TEXT WIDTH: TEXT padded with spaces to WIDTH bytes
field() { printf '%-*s' "$2" "$1"; }
tag() { printf 'TAG'; field "$1" 30; field '' 30; field '' 30; field '' 4; field '' 30; printf '\x0c'; }
# rows FOLDER AWK-PROGRAM: the folder's rows, edited by the program (which marks what it edits)
rows() { "$tool" list "$1" | awk -F'\t' "BEGIN { OFS = \"\t\" } $2 { print }"; }
snapshot() { (cd "$1" && for f in *; do printf '%s %s\n' "$(sha256sum <"$f")" "$f"; done); }
# expect_run WHAT STATUS EXPECTED-STDOUT COMMAND...: the command's exit status and output.
expect_run() {
  local what=$1 status=$2 expected=$3
  shift 3
  "$@" >"$dir/out" 2>"$dir/err"
  local got=$?
  [ $got -eq "$status" ] || fail "$what: exited $got, not $status: $(cat "$dir/err")"
  [ -z "$expected" ] || [ "$(cat "$dir/out")" = "$expected" ] ||
    fail "$what printed:
$(cat "$dir/out")"
}

# Where names heed case: x.mp3 and its hard link X.mp3 are two names; neither replaces the
# other.
heed=$dir/heed
mkdir "$heed"
{ audio 500; tag Linked; } >"$heed/x.mp3"
ln "$heed/x.mp3" "$heed/X.mp3"
rows "$heed" '$8 == "x.mp3" { $1 = "X.mp3"; $9 = "2" }' >"$dir/edit"
before=$(snapshot "$heed")
expect_run "a hard link, dry run" 1 "x.mp3: cannot be renamed to X.mp3: File exists" \
  "$tool" apply --dry-run "$heed" "$dir/edit"
expect_run "a hard link, apply" 1 "" "$tool" apply "$heed" "$dir/edit"
grep -q "x.mp3" "$dir/err" || fail "a hard link: the refusal does not name x.mp3: $(cat "$dir/err")"
[ "$(ls "$heed" | tr '\n' ' ')" = "X.mp3 x.mp3 " ] || fail "a hard link: left $(ls "$heed")"
[ "$(snapshot "$heed")" = "$before" ] || fail "a hard link: the files changed"

# On exFAT.
mounted=$(bash "$here/../case_mount.sh" mount exfat "$dir")
case $? in
0) ;;
77)
  [ "$failures" -eq 0 ] || finish ""
  echo "$mounted"
  exit 77
  ;;
*) fail "mounting exFAT: $mounted" && finish "" ;;
esac
{ audio 500; tag Old; } >"$mounted/song.mp3"
{ audio 300; tag Bee; } >"$mounted/b.mp3"
{ audio 400; tag Sea; } >"$mounted/c.mp3"
[ -e "$mounted/SONG.MP3" ] || fail "names on the exFAT mount heed letter case"

rows "$mounted" '$8 == "song.mp3" { $1 = "Song.mp3"; $2 = "New"; $9 = "2" }
  $8 == "c.mp3" { $1 = "B.MP3"; $9 = "2" }' >"$dir/edit"
before=$(snapshot "$mounted")
expect_run "exFAT, dry run" 1 'c.mp3: cannot be renamed to B.MP3: File exists
song.mp3: title "Old" -> "New"
song.mp3: renamed to Song.mp3' "$tool" apply --dry-run "$mounted" "$dir/edit"
[ "$(snapshot "$mounted")" = "$before" ] || fail "exFAT: the dry run changed the folder"
expect_run "exFAT, apply" 1 "" "$tool" apply "$mounted" "$dir/edit"
grep -q "c.mp3" "$dir/err" && grep -q "$(printf 'File exists')" "$dir/err" ||
  fail "exFAT: the refusal of B.MP3 is not reported: $(cat "$dir/err")"
grep -q "song.mp3\|Song.mp3" "$dir/err" && fail "exFAT: the case-only rename failed: $(cat "$dir/err")"
[ "$(ls "$mounted" | tr '\n' ' ')" = "Song.mp3 b.mp3 c.mp3 " ] ||
  fail "exFAT: the folder holds: $(ls "$mounted" | tr '\n' ' ')"
[ "$(tail -c 128 "$mounted/Song.mp3" | head -c 6)" = "TAGNew" ] || fail "exFAT: Song.mp3's tag"
[ "$(tail -c 128 "$mounted/b.mp3" | head -c 6)" = "TAGBee" ] || fail "exFAT: b.mp3 changed"

# Again, to capitals; the dry run and apply both exit 0.
rows "$mounted" '$8 == "Song.mp3" { $1 = "SONG.MP3"; $9 = "2" }' >"$dir/edit"
expect_run "exFAT, capitals, dry run" 0 "Song.mp3: renamed to SONG.MP3" \
  "$tool" apply --dry-run "$mounted" "$dir/edit"
expect_run "exFAT, capitals, apply" 0 "" "$tool" apply "$mounted" "$dir/edit"
[ "$(ls "$mounted" | tr '\n' ' ')" = "SONG.MP3 b.mp3 c.mp3 " ] ||
  fail "exFAT: after capitals the folder holds: $(ls "$mounted" | tr '\n' ' ')"

finish "case_rename_test: all passed"
