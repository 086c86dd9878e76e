#!/usr/bin/env bash
# Times `quorvane-tag apply` of every row of a folder marked changed against the bare
# write loop, in the same run. Every file is tagged first, so both rewrite the last 128
# bytes of every file and no file grows between runs.
# Usage: bench/apply_bench.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
build=${1:-build-release}
work=${BENCH_DIR:-/tmp/quorvane-bench}/apply
runs=${RUNS:-7}
sizes=${SIZES:-"1000 10000"}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane-tag bare_tag_write >/dev/null
tool=$build/cli/quorvane-tag
bare=$build/bench/bare_tag_write


printf '%-8s %12s %12s %7s\n' files bare_ms apply_ms ratio
for n in $sizes; do
  folder=$work/$n
  if [ ! -d "$folder" ]; then
    python3 bench/make_folder.py "$folder" "$n"
    "$bare" "$folder" >/dev/null  # tag the untagged ones
  fi
  "$tool" list "$folder" | awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "2"; print }' > "$work/rows-$n"
  b=$(median_ms "$bare" "$folder")
  a=$(median_ms "$tool" apply "$folder" "$work/rows-$n")
  printf '%-8s %12s %12s %7s\n' "$n" "$b" "$a" "$(ratio "$a" "$b")"
done
