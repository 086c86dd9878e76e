#!/usr/bin/env bash
# The README's example pipeline, run exactly as the README prints it: it upper-cases the
# titles that have lower-case letters and leaves every other file byte for byte as it was,
# a file without a tag above all.
# Usage: readme_example_test.sh PATH/TO/quorvane-tag
set -u
tool=$(realpath "$1")
readme=$(dirname "$(realpath "$0")")/../../README.md
source "$(dirname "$0")/cli_test_lib.sh"

# The code block after "For example, to upper-case every title".
example=$(awk '/^For example, to upper-case every title/ { found = 1; next }
  found && /^```/ { if (inside) exit; inside = 1; next }
  inside { print }' "$readme")
[ -n "$example" ] || fail "no example pipeline found in $readme"
grep -q '~/Music/album' <<<"$example" || fail "the example no longer works on ~/Music/album"

# The pipeline's own names: quorvane-tag on PATH, ~/Music/album under a HOME of our own.
mkdir -p "$dir/bin" "$dir/home/Music/album"
ln -s "$tool" "$dir/bin/quorvane-tag"
album=$dir/home/Music/album
tag() { printf 'TAG%-30s%-30s%-30s%-4s%-30s\x00' "$1" '' '' '' ''; }
{ head -c 700 /dev/urandom; tag 'lower case'; } >"$album/lower.mp3"
{ head -c 700 /dev/urandom; tag 'ALREADY UPPER'; } >"$album/upper.mp3"
{ head -c 700 /dev/urandom; tag '"quoted" title'; } >"$album/quoted.mp3"
head -c 700 /dev/urandom >"$album/untagged.mp3"
sums() { (cd "$album" && sha256sum -- *); }
before=$(sums)

HOME=$dir/home PATH=$dir/bin:$PATH bash -o pipefail -c "$example" 2>"$dir/err" ||
  fail "the example pipeline failed: $(cat "$dir/err")"
[ ! -s "$dir/err" ] || fail "the example wrote to stderr: $(cat "$dir/err")"

titles=$(PATH=$dir/bin:$PATH quorvane-tag list "$album" | cut -f1,2)
[ "$titles" = "$(printf '%s\t%s\n' lower.mp3 'LOWER CASE' quoted.mp3 '"""QUOTED"" TITLE"' \
  untagged.mp3 '' upper.mp3 'ALREADY UPPER')" ] ||
  fail "titles after the example: $titles"
for name in untagged.mp3 upper.mp3; do
  [ "$(grep " $name\$" <<<"$before")" = "$(sums | grep " $name\$")" ] ||
    fail "$name changed although its title did not"
done

finish "readme_example_test: all passed"
