#!/usr/bin/env bash
# quorvane-tag apply and a file that another program changed after `list`: its row is
# refused and reported once (apply: on stderr; --dry-run: on stdout, without the changes it
# would have made), the exit status is 1 and the other rows are written; --force writes it.
# Usage: changed_files_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# tagged FILE TITLE: 500 bytes of audio, then a tag with TITLE, padded with spaces.
tagged() {
  { audio 500; printf 'TAG%-30s%-30s%-30s%-4s%-30s\x11' "$2" '' '' '' ''; } >"$1"
}
# The tag's title as stored, without its padding.
title_of() { tail -c 125 "$1" | head -c 30 | sed 's/ *$//'; }
sum() { sha256sum <"$1"; }

listed=$dir/listed
mkdir "$listed"
tagged "$listed/a.mp3" Alpha
tagged "$listed/b.mp3" Beta
tagged "$listed/c.mp3" Gamma
"$tool" list "$listed" >"$dir/rows" || fail "list exited $?"
awk -F'\t' 'BEGIN { OFS = "\t" } $8 != "c.mp3" { $2 = "Mine " $8; $9 = "2" } { print }' \
  "$dir/rows" >"$dir/edit"
# Another program retags b.mp3 after the listing: the same length, other tag bytes.
printf 'Theirs' | dd of="$listed/b.mp3" bs=1 seek=$((500 + 3)) conv=notrunc status=none
theirs=$(sum "$listed/b.mp3")

# fresh NAME: a copy of the listed folder, as it stands now, to run one apply on.
fresh() {
  cp -a "$listed" "$dir/$1"
  printf '%s\n' "$dir/$1"
}

stale_out="b.mp3: changed since it was listed: not written (--force writes it)"
stale_err="quorvane-tag: line 2: b.mp3 has changed since it was listed; not written $(
  )(--force writes it anyway)"

# --dry-run: one line for the changed file, first, and nothing of what it would have written there.
folder=$(fresh dry)
before=$(cd "$folder" && sha256sum ./*)
"$tool" apply --dry-run "$folder" "$dir/edit" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 1 ] || fail "--dry-run with a changed file exited $status, not 1"
[ "$(cat "$dir/out")" = "$stale_out
a.mp3: title \"Alpha\" -> \"Mine a.mp3\"" ] || fail "--dry-run printed:
$(cat "$dir/out")"
[ "$(grep -c 'b\.mp3' "$dir/out")" -eq 1 ] || fail "--dry-run names b.mp3 more than once"
[ ! -s "$dir/err" ] || fail "--dry-run wrote to stderr: $(cat "$dir/err")"
[ "$(cd "$folder" && sha256sum ./*)" = "$before" ] || fail "--dry-run changed the folder"

# --dry-run --force: the changed file's changes, as for any other row.
"$tool" apply --dry-run --force "$folder" "$dir/edit" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 0 ] || fail "--dry-run --force exited $status"
[ "$(cat "$dir/out")" = "a.mp3: title \"Alpha\" -> \"Mine a.mp3\"
b.mp3: title \"Theirs\" -> \"Mine b.mp3\"" ] || fail "--dry-run --force printed:
$(cat "$dir/out")"

# apply: the changed file is refused and named once; the others are written.
folder=$(fresh plain)
"$tool" apply "$folder" "$dir/edit" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 1 ] || fail "apply with a changed file exited $status, not 1"
[ "$(cat "$dir/err")" = "$stale_err" ] || fail "apply reported:
$(cat "$dir/err")"
[ ! -s "$dir/out" ] || fail "apply wrote to stdout: $(cat "$dir/out")"
[ "$(sum "$folder/b.mp3")" = "$theirs" ] || fail "the changed b.mp3 was written over"
[ "$(title_of "$folder/a.mp3")" = "Mine a.mp3" ] || fail "a.mp3 was not written"
[ "$(title_of "$folder/c.mp3")" = "Gamma" ] || fail "c.mp3, not marked 2, was written"

# apply --force: every marked row is written, the changed file too.
folder=$(fresh forced)
"$tool" apply --force "$folder" "$dir/edit" >"$dir/out" 2>"$dir/err"
status=$?
[ $status -eq 0 ] || fail "apply --force exited $status: $(cat "$dir/err")"
[ ! -s "$dir/err" ] && [ ! -s "$dir/out" ] || fail "apply --force printed: $(cat "$dir/out" "$dir/err")"
[ "$(title_of "$folder/b.mp3")" = "Mine b.mp3" ] || fail "--force did not write b.mp3"
[ "$(title_of "$folder/a.mp3")" = "Mine a.mp3" ] || fail "--force did not write a.mp3"
[ "$(stat -c %s "$folder/b.mp3")" -eq 628 ] || fail "b.mp3 changed length"

# Rows without a fingerprint (ten cells) are written whatever their files hold.
folder=$(fresh unprinted)
cut -f 1-10 "$dir/edit" | "$tool" apply "$folder" 2>"$dir/err" || fail "ten-cell rows: exit $?"
[ "$(title_of "$folder/b.mp3")" = "Mine b.mp3" ] || fail "a ten-cell row was not written"

finish "changed_files_test: all passed"
