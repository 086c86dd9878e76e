#!/usr/bin/env bash
# ./run's checks, with the window program of the test build: a bad FOLDER stops it before
# anything starts; a display that does not answer makes it fall back to a VNC server that
# asks for a one-time password; and the server never outlives ./run, however it ends.
# Usage: run_test.sh PATH/TO/quorvane
# Exit status: 0 pass, 1 fail, 77 skipped (no Xvnc).
set -u
app=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvnc vncpasswd xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
run_pid=
cleanup() {
  [ -n "$run_pid" ] && kill "$run_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A port of our own, so that nothing else on the machine gets in the way.
port=$((20000 + RANDOM % 20000))
export QUORVANE_VNC_PORT=$port QUORVANE_RUN_PROGRAM=$app
servers() { pgrep -f "Xvnc .*-rfbport $port" | wc -l; }
no_servers() { [ "$(servers)" -eq 0 ]; }
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

# wait_for SECONDS COMMAND...: until COMMAND succeeds; false when it never does.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# ---- a FOLDER that is not there: nothing starts ----
env -u DISPLAY -u WAYLAND_DISPLAY "$root/run" "$work/missing" >"$work/out" 2>&1
status=$?
[ $status -eq 2 ] || fail "a missing FOLDER exited $status, not 2"
grep -q "missing: not a folder" "$work/out" || fail "no word on the missing FOLDER: $(cat "$work/out")"
grep -q "VNC\|Building" "$work/out" && fail "./run went on after a missing FOLDER: $(cat "$work/out")"
[ "$(servers)" -eq 0 ] || fail "a VNC server runs after a missing FOLDER"

# ---- a display that does not answer: VNC with a password instead; TERM ends it all ----
mkdir "$work/music"
start_run() {
  DISPLAY=:97 "$root/run" "$work/music" >"$work/out" 2>&1 &
  run_pid=$!
  wait_for 30 grep -q "with the password" "$work/out"
}
if ! start_run; then
  fail "no VNC server came up for a dead display: $(cat "$work/out")"
else
  grep -q "DISPLAY=:97 does not answer" "$work/out" || fail "the dead display is not named"
  password=$(sed -n 's/.*with the password \([A-Za-z0-9]*\).*/\1/p' "$work/out")
  [ ${#password} -eq 8 ] || fail "no eight-character password is printed: $(cat "$work/out")"
  grep -q "127.0.0.1:$port" "$work/out" || fail "the address is not printed"
  ps -o args= -C Xvnc | grep -- "-rfbport $port" | grep -q "SecurityTypes VncAuth" ||
    fail "the server does not ask for a password: $(ps -o args= -C Xvnc)"
  port_taken || fail "nothing listens on 127.0.0.1:$port"
  kill -TERM "$run_pid"
  wait "$run_pid"
  run_pid=
  wait_for 10 no_servers || fail "the VNC server outlived ./run ended by TERM"
  port_taken && fail "port $port is still taken after ./run ended"
fi

# ---- again, the window's Quit (its end) ends ./run and the server ----
if start_run; then
  # The password is printed before the window program starts. Only the program that this
  # ./run started: other tests run the same program at the same time.
  wait_for 30 pgrep -P "$run_pid" -f "^$app" >/dev/null ||
    fail "no window program started: $(cat "$work/out")"
  pkill -TERM -P "$run_pid" -f "^$app" || fail "no window program to end"
  if wait_for 10 bash -c "! kill -0 $run_pid 2>/dev/null"; then
    run_pid=
  else
    fail "./run outlived its window"
  fi
  wait_for 10 no_servers || fail "the VNC server outlived the window"
else
  fail "no VNC server came up the second time: $(cat "$work/out")"
fi

# ---- a window program that ends at once, before it ever draws: ./run ends with its
# status and takes the VNC server (which only ends by itself after a client) with it ----
printf '#!/bin/sh\nexit 3\n' > "$work/ends-at-once"
chmod +x "$work/ends-at-once"
QUORVANE_RUN_PROGRAM=$work/ends-at-once DISPLAY=:97 timeout 60 "$root/run" "$work/music" \
  >"$work/out" 2>&1 </dev/null
status=$?
[ $status -eq 3 ] || fail "./run exited $status, not its window program's 3: $(cat "$work/out")"
wait_for 10 no_servers || fail "the VNC server outlived ./run whose window program never drew"

[ "$failures" -eq 0 ] && echo "PASS: ./run checks its FOLDER and display, and cleans up"
exit $((failures > 0))
