#!/usr/bin/env bash
# quorvane-tag apply killed (SIGKILL) at random moments of a save of 2,000 rows, 20 times:
# afterwards every file holds either its old tag or its new one, never a mix, and no file
# is lost or found twice (a renamed file is under its old name or its new one, not both).
# Usage: kill_test.sh PATH/TO/quorvane-tag
set -u
tool=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
source "$(dirname "$0")/cli_test_lib.sh"
count=2000
tries=${KILL_TRIES:-20}

# The folder as it starts: tagged and untagged files, every third one renamed by the save.
python3 "$here/../../bench/make_folder.py" "$dir/start" "$count" >/dev/null
"$tool" list "$dir/start" | awk -F'\t' 'BEGIN { OFS = "\t" }
  { $2 = "New " NR; $9 = "2"; if (NR % 3 == 0) $1 = "renamed " NR ".mp3"; print }' >"$dir/rows"

# The folder as a whole save leaves it, and how long that save takes.
cp -a "$dir/start" "$dir/end"
started=$(date +%s%N)
"$tool" apply "$dir/end" "$dir/rows" 2>/dev/null || fail "the reference save failed"
took_us=$((($(date +%s%N) - started) / 1000))

# check.py RUN: each row's file holds its old bytes under its old name, or its new tag
# (under either name, since the rename follows the write), and nothing else is there.
cat >"$dir/check.py" <<'PY'
import os, sys
rows, start, end, run = sys.argv[1:5]
problems, old, new = [], 0, 0
seen = set()
for line in open(rows, encoding="utf-8"):
    cells = line.rstrip("\n").split("\t")
    name, loaded = cells[0].encode(), cells[7].encode()
    before = open(os.path.join(start.encode(), loaded), "rb").read()
    after = open(os.path.join(end.encode(), name), "rb").read()
    there = [n for n in {loaded, name} if os.path.exists(os.path.join(run.encode(), n))]
    if len(there) != 1:
        problems.append("%r is there %d times" % (loaded, len(there)))
        continue
    seen.add(there[0])
    now = open(os.path.join(run.encode(), there[0]), "rb").read()
    if now == before and there[0] == loaded:
        old += 1
    elif now == after:
        new += 1
    else:
        problems.append("%r holds neither its old tag nor its new one" % loaded)
extra = set(os.listdir(run.encode())) - seen
if extra:
    problems.append("other files: %r" % sorted(extra)[:5])
print("%d files as before, %d as saved" % (old, new))
for problem in problems[:10]:
    print("FAIL:", problem)
sys.exit(1 if problems else 0)
PY

for try in $(seq "$tries"); do
  rm -rf "$dir/run"
  cp -a "$dir/start" "$dir/run"
  # Somewhere within the time a whole save takes.
  delay_us=$((RANDOM * 32768 + RANDOM))
  delay_us=$((delay_us % (took_us + 1)))
  "$tool" apply "$dir/run" "$dir/rows" >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  result=$(python3 "$dir/check.py" "$dir/rows" "$dir/start" "$dir/end" "$dir/run") ||
    fail "try $try (killed after ${delay_us} us): $result"
  echo "try $try, killed after ${delay_us} us: ${result%%$'\n'*}"
done

finish "PASS: no kill left a file half written, lost or doubled"
