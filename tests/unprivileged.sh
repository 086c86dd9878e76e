#!/usr/bin/env bash
# Runs a test program as an ordinary user (nobody) when the suite runs as root, so that
# what root's powers would hide is tested too: a file without write permission must stay
# unwritten both because the program refuses it and because the system does.
# Usage: unprivileged.sh PROGRAM [ARGUMENT...]   Exit 77 (skipped) when not root.
set -u
[ "$(id -u)" -eq 0 ] || { echo "SKIP: already an ordinary user"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIP: setpriv is not installed"; exit 77; }
as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# The build may lie in a folder that nobody cannot enter (a clone in /root, mode 700): the
# program runs from a copy in a folder of its own, with a temporary folder that nobody owns.
program=$1
shift
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
chmod 755 "$copy"
cp "$program" "$copy/"
mkdir -m 700 "$copy/tmp"
chown nobody:nogroup "$copy/tmp"
copied=$copy/$(basename "$program")
if ! "${as_user[@]}" test -x "$copied"; then
  echo "SKIP: nobody cannot reach $copy (a folder on the way is closed to others; set TMPDIR)"
  exit 77
fi
"${as_user[@]}" env HOME=/tmp TMPDIR="$copy/tmp" "$copied" "$@"
