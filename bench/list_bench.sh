#!/usr/bin/env bash
# Times `quorvane-tag list` against the bare read loop on folders of 1,000, 10,000 and
# 100,000 files, in the same run, and reports peak memory.
# Usage: bench/list_bench.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
build=${1:-build-release}
work=${BENCH_DIR:-/tmp/quorvane-bench}
runs=${RUNS:-7}
sizes=${SIZES:-"1000 10000 100000"}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane-tag bare_tag_read >/dev/null
tool=$build/cli/quorvane-tag
bare=$build/bench/bare_tag_read

python=$(command -v python3)
for n in $sizes; do
  [ -d "$work/$n" ] || "$python" bench/make_folder.py "$work/$n" "$n"
done


peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

printf '%-8s %12s %12s %7s %12s\n' files bare_ms list_ms ratio peak_KiB
for n in $sizes; do
  "$bare" "$work/$n" >/dev/null && "$tool" list "$work/$n" >/dev/null  # warm the page cache
  b=$(median_ms "$bare" "$work/$n")
  l=$(median_ms "$tool" list "$work/$n")
  m=$(peak_kib "$tool" list "$work/$n")
  printf '%-8s %12s %12s %7s %12s\n' "$n" "$b" "$l" "$(ratio "$l" "$b")" "$m"
done
