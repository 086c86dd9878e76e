#!/usr/bin/env bash
# quorvane-tag apply reads its rows from whatever FILE is, and from standard input, waiting
# for a writer that is slow: a pipe, a named FIFO opened before its writer, /dev/stdin, and a
# standard input that was handed over non-blocking.
# Usage: pipe_input_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

# A folder of two untagged files and their rows, retitled and marked to be written.
mkdir "$dir/music"
audio 700 >"$dir/music/a.mp3"
audio 900 >"$dir/music/b.mp3"
cp -a "$dir/music" "$dir/clean"
"$tool" list "$dir/music" | awk -F'\t' 'BEGIN { OFS = "\t" } { $2 = "Piped " $8; $9 = "2"; print }' \
  >"$dir/rows" || fail "list failed"
[ "$(wc -l <"$dir/rows")" -eq 2 ] || fail "list gave: $(cat "$dir/rows")"

# slowly: the rows a line at a time, with a pause before each.
slowly() {
  while IFS= read -r line; do
    sleep 0.3
    printf '%s\n' "$line"
  done <"$dir/rows"
}

# check CASE STATUS: apply ended with 0 and each file got its tag, byte for byte.
check() {
  [ "$2" -eq 0 ] || fail "$1: apply exited $2: $(cat "$dir/err")"
  local name expected
  for name in a.mp3 b.mp3; do
    expected=$(printf 'TAG%-30s' "Piped $name")
    [ "$(tail -c 128 "$dir/music/$name" | head -c 33)" = "$expected" ] ||
      fail "$1: $name ends in: $(tail -c 128 "$dir/music/$name" | head -c 33 | od -An -c | head -2)"
  done
  [ "$(stat -c %s "$dir/music/a.mp3")" -eq 828 ] || fail "$1: a.mp3 is not 700 + 128 bytes"
  rm -rf "$dir/music"
  cp -a "$dir/clean" "$dir/music"
}

# A pipe whose writer takes its time, given as FILE.
"$tool" apply "$dir/music" <(slowly) 2>"$dir/err"
check "a slow pipe" $?

# A named FIFO: apply opens it and waits; its writer comes later.
mkfifo "$dir/fifo"
"$tool" apply "$dir/music" "$dir/fifo" 2>"$dir/err" &
apply=$!
sleep 0.5
kill -0 $apply 2>/dev/null || fail "a FIFO: apply ended before the FIFO had a writer"
slowly >"$dir/fifo" &
writer=$!
wait $apply
status=$?
# A writer that found no reader any more is not left waiting.
sleep 1
kill $writer 2>/dev/null
wait $writer 2>/dev/null
check "a FIFO" $status

# /dev/stdin, a pipe.
slowly | "$tool" apply "$dir/music" /dev/stdin 2>"$dir/err"
check "/dev/stdin" $?

# Standard input, non-blocking as some programs leave it.
slowly | /usr/bin/python3 -c '
import os, sys
os.set_blocking(0, False)
os.execv(sys.argv[1], sys.argv[1:])' "$tool" apply "$dir/music" 2>"$dir/err"
check "non-blocking standard input" $?

finish "pipe_input_test: all passed"
