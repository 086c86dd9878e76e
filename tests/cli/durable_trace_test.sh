#!/usr/bin/env bash
# quorvane-tag apply gets what it writes onto the device, as the system calls show: strace
# watches it, and every file it wrote gets fdatasync (or fsync) after its last write, and the
# folder whose entries a rename changed gets fsync after its last rename, before the tool
# ends. Skipped (77) only where tracing is not allowed.
# Usage: durable_trace_test.sh PATH/TO/quorvane-tag
set -u
tool=$1
source "$(dirname "$0")/cli_test_lib.sh"

command -v strace >/dev/null || { fail "no strace (Debian's strace, a test package)"; finish ""; }
if ! why=$(strace -f -qq -o /dev/null true 2>&1); then
  echo "SKIP: this machine does not let strace trace a program: $why"
  exit 77
fi

tag() { printf 'TAG%-30s%-30s%-30s%-4s%-30s\x0c' "$1" '' '' '' ''; }
folder=$dir/music
mkdir "$folder"
{ audio 3000; tag Alpha; } >"$folder/a.mp3"
audio 2000 >"$folder/b.mp3" # untagged: the tag is appended
{ audio 2500; tag Gamma; } >"$folder/c.mp3"
{ audio 1500; tag Delta; } >"$folder/d.mp3"
{ audio 1000; tag Same; } >"$folder/same.mp3"
"$tool" list "$folder" | awk -F'\t' 'BEGIN { OFS = "\t" }
  $8 != "same.mp3" { $2 = "Written " $8; $9 = "2" }
  $8 == "c.mp3" { $1 = "e.mp3" }
  $8 == "d.mp3" { $1 = "D.mp3" }
  { print }' >"$dir/rows"

# LeakSanitizer cannot look for leaks in a traced process (the sanitizer build runs this too).
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" strace -f -qq -y -o "$dir/trace" \
  -e trace=openat,pwrite64,write,ftruncate,fdatasync,fsync,rename,renameat,renameat2,link,linkat,unlink,unlinkat \
  "$tool" apply "$folder" "$dir/rows" 2>"$dir/err"
status=$?
[ $status -eq 0 ] || fail "apply under strace exited $status: $(cat "$dir/err")"
[ "$(ls "$folder" | tr '\n' ' ')" = "D.mp3 a.mp3 b.mp3 e.mp3 same.mp3 " ] ||
  fail "the folder holds: $(ls "$folder" | tr '\n' ' ')"

# Follows each file through its renames by name; a descriptor's path is shown by -y.
/usr/bin/python3 - "$dir/trace" "$folder" >"$dir/report" <<'PY' || fail "$(cat "$dir/report")"
import re, sys

trace, folder = sys.argv[1], sys.argv[2]
pending, calls = {}, []
for line in open(trace, encoding="utf-8", errors="replace"):
    pid, text = re.match(r"(\d+)\s+(.*)", line.rstrip("\n")).groups()
    if text.endswith(" <unfinished ...>"):
        pending[pid] = text[: -len(" <unfinished ...>")]
        continue
    resumed = re.match(r"<\.\.\. \w+ resumed>(.*)", text)
    if resumed:
        text = pending.pop(pid) + resumed.group(1)
    call = re.match(r"(\w+)\((.*)\)\s+= (-?\d+)", text)
    if call:
        calls.append(call.groups())

def in_folder(path):
    return path.startswith(folder + "/") and path.lower().endswith(".mp3")

identity, next_id = {}, [0]
def file_of(path):
    if path not in identity:
        identity[path] = next_id[0]
        next_id[0] += 1
    return identity[path]

written, synced, names = {}, {}, {}
last_rename = folder_synced = -1
for index, (name, args, result) in enumerate(calls):
    fd_paths = re.findall(r"\d+<([^>]*)>", args)
    strings = re.findall(r'"([^"]*)"', args)
    ok = int(result) >= 0
    if name in ("pwrite64", "write", "ftruncate") and ok and fd_paths and in_folder(fd_paths[0]):
        written[file_of(fd_paths[0])] = index
        names[file_of(fd_paths[0])] = fd_paths[0]
    elif name in ("fdatasync", "fsync") and int(result) == 0 and fd_paths:
        if fd_paths[0] == folder:
            folder_synced = index
        elif in_folder(fd_paths[0]):
            synced[file_of(fd_paths[0])] = index
    elif name.startswith("rename") and int(result) == 0 and len(strings) == 2:
        old, new = strings
        identity[new] = file_of(old)
        del identity[old]
        last_rename = index
    elif name in ("link", "linkat") and int(result) == 0 and len(strings) == 2:
        identity[strings[1]] = file_of(strings[0])
    elif name in ("unlink", "unlinkat") and int(result) == 0 and strings:
        identity.pop(strings[-1], None)

problems = []
for file, at in written.items():
    if synced.get(file, -1) < at:
        problems.append(f"{names[file]} was written and got no fdatasync or fsync afterwards")
if last_rename >= 0 and folder_synced < last_rename:
    problems.append(f"{folder} got no fsync after its last rename")
written_now = sorted(path for path, file in identity.items() if file in written)
print("\n".join(problems) if problems else "written and flushed: " + " ".join(written_now))
sys.exit(1 if problems else 0)
PY
expected="written and flushed: $folder/D.mp3 $folder/a.mp3 $folder/b.mp3 $folder/e.mp3"
[ "$(cat "$dir/report")" = "$expected" ] ||
  fail "the trace shows: $(cat "$dir/report") (expected: $expected)"

finish "durable_trace_test: all passed"
