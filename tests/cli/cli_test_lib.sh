# Sourced by the quorvane-tag test scripts: a folder of their own, `dir`, removed at the end
# even where a test took away its permissions; fail, which counts and goes on; finish.
dir=$(mktemp -d)
trap 'chmod -R u+rwx "$dir"; rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
T=$'\t'
audio() { head -c "$1" /dev/urandom; }

# finish MESSAGE: MESSAGE when nothing failed; the exit status says whether anything did.
finish() {
  [ "$failures" -eq 0 ] && echo "$1"
  exit $((failures > 0))
}
