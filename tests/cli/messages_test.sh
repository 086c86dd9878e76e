#!/usr/bin/env bash
# quorvane-tag --version, and its error messages: usage errors in two short lines, and
# every error about a file or folder with the system's reason.
# Usage: messages_test.sh PATH/TO/quorvane-tag
set -u
tool=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
source "$(dirname "$0")/cli_test_lib.sh"

# run ARGS...: stdout in $out, stderr in $err, exit status in $status.
run() {
  out=$("$tool" "$@" 2>"$dir/err")
  status=$?
  err=$(cat "$dir/err")
}

# --version: the version of the CMake project, on stdout, exit 0.
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
[ -n "$version" ] || fail "no version found in the root CMakeLists.txt"
run --version
[ "$status" -eq 0 ] && [ "$out" = "quorvane-tag $version" ] && [ -z "$err" ] ||
  fail "--version: status $status, out '$out', err '$err'"

# Usage errors: the fault, then where to look, and nothing else; exit 2, nothing on stdout.
mkdir "$dir/music"
usage_cases=(
  "frob|unknown command: frob"
  "|no command given"
  "list|list takes one FOLDER"
  "list $dir/music $dir/music|list takes one FOLDER"
  "list --frob $dir/music|list: unknown option: --frob"
  "list --dry-run $dir/music|list: unknown option: --dry-run"
  "apply|apply takes a FOLDER and an optional FILE"
  "apply $dir/music a b|apply takes a FOLDER and an optional FILE"
  "apply --bom $dir/music|apply: unknown option: --bom"
  "apply $dir/music --encoding|--encoding needs an encoding name"
  "apply --encoding= $dir/music|--encoding needs an encoding name"
)
for case in "${usage_cases[@]}"; do
  IFS=' ' read -r -a args <<<"${case%%|*}"
  run "${args[@]}"
  expected="quorvane-tag: ${case#*|}
see quorvane-tag --help"
  [ "$status" -eq 2 ] && [ -z "$out" ] && [ "$err" = "$expected" ] ||
    fail "'${case%%|*}': status $status, stderr:
$err"
done

# "--" ends the options: a folder named like an option is still a folder.
mkdir "$dir/--bom"
(cd "$dir" && "$tool" list -- --bom >/dev/null 2>&1) || fail "list -- --bom did not list the folder"

# --help, alone or after a command, prints the whole usage on stdout.
for args in "--help" "-h" "list --help" "apply --help"; do
  # shellcheck disable=SC2086
  run $args
  [ "$status" -eq 0 ] && grep -q '^Usage: quorvane-tag list' <<<"$out" && [ -z "$err" ] ||
    fail "$args: status $status"
done

# Files and folders: the path, what failed, and the system's reason, on one line; exit 2.
touch "$dir/file.mp3"
file_cases=(
  "list $dir/missing|$dir/missing: cannot open the folder: No such file or directory"
  "list $dir/file.mp3|$dir/file.mp3: not a folder"
  "list $dir/file.mp3/sub|$dir/file.mp3/sub: cannot open the folder: Not a directory"
  "apply $dir/missing $dir/rows|$dir/missing: cannot open the folder: No such file or directory"
  "apply $dir/music $dir/missing.tsv|$dir/missing.tsv: cannot read: No such file or directory"
  "apply $dir/music $dir/music|$dir/music: cannot read: Is a directory"
)
for case in "${file_cases[@]}"; do
  IFS=' ' read -r -a args <<<"${case%%|*}"
  LC_ALL=C run "${args[@]}"
  [ "$status" -eq 2 ] && [ -z "$out" ] && [ "$err" = "quorvane-tag: ${case#*|}" ] ||
    fail "'${case%%|*}': status $status, stderr: $err"
done

# Standard input that cannot be read, and standard output that cannot be written.
LC_ALL=C "$tool" apply "$dir/music" <"$dir/music" 2>"$dir/err"
[ $? -eq 2 ] &&
  [ "$(cat "$dir/err")" = "quorvane-tag: standard input: cannot read: Is a directory" ] ||
  fail "unreadable standard input: $(cat "$dir/err")"
head -c 300 /dev/urandom >"$dir/music/a.mp3"
LC_ALL=C "$tool" list "$dir/music" >/dev/full 2>"$dir/err"
[ $? -eq 1 ] &&
  [ "$(cat "$dir/err")" = \
    "quorvane-tag: standard output: cannot write: No space left on device" ] ||
  fail "a full standard output: $(cat "$dir/err")"

# A folder that cannot be listed (root lists every folder, so only for other users).
if [ "$(id -u)" -ne 0 ]; then
  mkdir "$dir/closed" && chmod 000 "$dir/closed"
  LC_ALL=C run list "$dir/closed"
  [ "$status" -eq 2 ] &&
    [ "$err" = "quorvane-tag: $dir/closed: cannot list the folder: Permission denied" ] ||
    fail "an unreadable folder: $err"
fi

finish "messages_test: all passed"
