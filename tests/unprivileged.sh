#!/usr/bin/env bash
# Runs a test program as an ordinary user (nobody) when the suite runs as root, so that
# what root's powers would hide is tested too: a file without write permission must stay
# unwritten both because the program refuses it and because the system does.
# Usage: unprivileged.sh PROGRAM [ARGUMENT...]   Exit 77 (skipped) when not root.
set -u
[ "$(id -u)" -eq 0 ] || { echo "SKIP: already an ordinary user"; exit 77; }
command -v setpriv >/dev/null || { echo "SKIP: setpriv is not installed"; exit 77; }
exec setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp "$@"
