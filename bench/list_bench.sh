#!/usr/bin/env bash
# Reading folders, all in one run, each table's programs interleaved run by run (median of
# RUNS rounds, 5 by default):
#   1. warm cache: `quorvane-tag list` against the serial floor (open, fstat, pread of the
#      last 128 bytes, close, one file after another) and the same floor on 2 threads,
#      1,000 / 10,000 / 100,000 files, fastest and median of the runs;
#   2. cold cache (root only: the page cache is dropped before every run): the same, with
#      TagLib's ID3v1 reader and mutagen on the same folders;
#   3. the window: start to the first paint of the rows of 100,000 files (Qt's offscreen
#      platform) against `list` of the same folder, and the memory both take (VmRSS) at
#      10,000 and 100,000 files;
#   4. bench/apply_bench.sh: `apply` of 10,000 changed rows against the bare write loop.
# Usage: bench/list_bench.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
source scripts/ensure-packages.sh
ensure_packages libtag1-dev python3-mutagen time linux-perf
build=${1:-build-release}
work=${BENCH_DIR:-/tmp/quorvane-bench}
runs=${RUNS:-5}
sizes=${SIZES:-"1000 10000 100000"}
cold_sizes=${COLD_SIZES:-"1000 10000"}
threads=32

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane quorvane-tag bare_tag_read parallel_tag_read \
  >/dev/null
tool=$build/cli/quorvane-tag
mkdir -p "$work"
source bench/peer_readers.sh
for n in $sizes; do
  [ -d "$work/$n" ] || python3 bench/make_folder.py "$work/$n" "$n"
done

serial_floor() { "$build/bench/bare_tag_read" "$1"; }
parallel_floor() { "$build/bench/parallel_tag_read" "$1" "$threads"; }
list() { "$tool" list "$1"; }
window() {
  QT_QPA_PLATFORM=offscreen QUORVANE_EXIT_AFTER_FIRST_ROWS=1 "$build/app/quorvane" "$1"
}
drop_caches() { sync && echo 3 >/proc/sys/vm/drop_caches; }
# Qt wants a private runtime folder; without one it says so on every start.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi

echo "$(date -u '+%Y-%m-%d') on $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $runs interleaved runs, load before: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "Warm cache (the folder read once before), fastest and median of the runs; the floors"
echo "open, fstat, pread and close every file, one after another or on 2 threads:"
printf '%-8s %13s %13s %13s %13s %10s %10s %11s
' files serial_fast serial_med two_fast \
  two_med list_fast list_med x_two_fast
two_floor() { "$build/bench/parallel_tag_read" "$1" 2; }
for n in $sizes; do
  for program in serial_floor two_floor list; do "$program" "$work/$n" >/dev/null; done
  interleaved_medians : "$work/$n" serial_floor two_floor list
  printf '%-8s %13s %13s %13s %13s %10s %10s %11s\n' "$n" "${fastest[serial_floor]}" \
    "${median[serial_floor]}" "${fastest[two_floor]}" "${median[two_floor]}" \
    "${fastest[list]}" "${median[list]}" "$(ratio "${fastest[list]}" "${fastest[two_floor]}")"
done
echo "(x_two_fast: list's fastest run over the 2-thread floor's; per file: list_fast / files)"

echo
if [ -w /proc/sys/vm/drop_caches ]; then
  echo "Cold cache (page cache dropped before every run):"
  printf '%-8s %11s %13s %9s %11s %11s %10s %11s\n' files serial_ms parallel_ms list_ms \
    x_serial x_parallel taglib_ms mutagen_ms
  for n in $cold_sizes; do
    interleaved_medians drop_caches "$work/$n" serial_floor parallel_floor list taglib_read \
      mutagen_read
    printf '%-8s %11s %13s %9s %11s %11s %10s %11s\n' "$n" "${median[serial_floor]}" \
      "${median[parallel_floor]}" "${median[list]}" \
      "$(ratio "${median[list]}" "${median[serial_floor]}")" \
      "$(ratio "${median[list]}" "${median[parallel_floor]}")" "${median[taglib_read]}" \
      "${median[mutagen_read]}"
  done
else
  echo "Cold cache: skipped, dropping the page cache needs root (/proc/sys/vm/drop_caches)."
fi

echo
echo "The window: start to the first paint of the rows (warm cache), fastest and median:"
printf '%-8s %10s %10s %12s %12s %10s\n' files list_fast list_med window_fast window_med ratio
n=100000
window "$work/$n" >/dev/null 2>&1
interleaved_medians : "$work/$n" list window
printf '%-8s %10s %10s %12s %12s %10s\n' "$n" "${fastest[list]}" "${median[list]}" \
  "${fastest[window]}" "${median[window]}" "$(ratio "${fastest[window]}" "${fastest[list]}")"

echo
echo "What the window pays for its toolkit: a folder of one file as above, and the processor"
echo "time (user + system, median) of both, for one file and for 100,000:"
[ -d "$work/1" ] || python3 bench/make_folder.py "$work/1" 1
interleaved_medians : "$work/1" list window
printf '%-8s %10s %10s %12s %12s %10s\n' 1 "${fastest[list]}" "${median[list]}" \
  "${fastest[window]}" "${median[window]}" "$(ratio "${fastest[window]}" "${fastest[list]}")"
# The processor time of one run of a command, in milliseconds: perf's count, exact; where
# perf cannot count (no access to the kernel's counters), the system's, in hundredths of a
# second.
cpu_ms() {
  local counted
  counted=$(perf stat -x, -e task-clock "$@" 2>&1 >/dev/null |
    awk -F, '/task-clock/ && $1 ~ /^[0-9.]+$/ {printf "%.1f", $1}') || true
  if [ -z "$counted" ]; then
    counted=$(/usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -n 1 |
      awk '{printf "%.1f", ($1 + $2) * 1000}')
  fi
  echo "$counted"
}
median_cpu_ms() {
  for _ in $(seq "$runs"); do cpu_ms "$@"; done | sort -n |
    awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]}'
}
printf '%-8s %12s %12s %12s\n' files list_cpu window_cpu difference
for n in 1 100000; do
  list_cpu=$(median_cpu_ms "$tool" list "$work/$n")
  window_cpu=$(median_cpu_ms env QT_QPA_PLATFORM=offscreen QUORVANE_EXIT_AFTER_FIRST_ROWS=1 \
    "$build/app/quorvane" "$work/$n")
  printf '%-8s %12s %12s %12s\n' "$n" "$list_cpu" "$window_cpu" \
    "$(awk -v a="$window_cpu" -v b="$list_cpu" 'BEGIN {printf "%.1f", a - b}')"
done

echo
echo "Memory: the largest resident set (VmRSS, KiB) of list and of the window up to its"
echo "first rows, and per row between 10,000 and 100,000 files:"
printf '%-8s %10s %10s\n' files list_kib window_kib
declare -A rss
for n in 10000 100000; do
  [ -d "$work/$n" ] || continue
  rss[list$n]=$(/usr/bin/time -f '%M' "$tool" list "$work/$n" 2>&1 >/dev/null | tail -n 1)
  rss[window$n]=$(QT_QPA_PLATFORM=offscreen QUORVANE_EXIT_AFTER_FIRST_ROWS=1 \
    /usr/bin/time -f '%M' "$build/app/quorvane" "$work/$n" 2>&1 >/dev/null | tail -n 1)
  printf '%-8s %10s %10s\n' "$n" "${rss[list$n]}" "${rss[window$n]}"
done
if [ -n "${rss[list100000]:-}" ] && [ -n "${rss[list10000]:-}" ]; then
  printf '%-8s %10s %10s\n' "per row" \
    "$(awk -v a="${rss[list100000]}" -v b="${rss[list10000]}" 'BEGIN {printf "%.0f B", (a - b) * 1024 / 90000}')" \
    "$(awk -v a="${rss[window100000]}" -v b="${rss[window10000]}" 'BEGIN {printf "%.0f B", (a - b) * 1024 / 90000}')"
fi

echo
echo "Saving: apply of every row marked changed against the bare write loop:"
RUNS=$runs bench/apply_bench.sh "$build"
