#!/usr/bin/env bash
# Reading folders, all in one run, each table's programs interleaved run by run (median of
# RUNS rounds, 5 by default):
#   1. warm cache: `quorvane-tag list` against the serial floor (open, fstat, pread of the
#      last 128 bytes, close, one file after another) and the parallel floor (the same
#      loop on 32 threads), 1,000 / 10,000 / 100,000 files;
#   2. cold cache (root only: the page cache is dropped before every run): the same, with
#      TagLib's ID3v1 reader and mutagen on the same folders;
#   3. the window: start to the first paint of the rows of 100,000 files (Qt's offscreen
#      platform) against `list` of the same folder;
#   4. bench/apply_bench.sh: `apply` of 10,000 changed rows against the bare write loop.
# Usage: bench/list_bench.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
source scripts/ensure-packages.sh
ensure_packages libtag1-dev python3-mutagen
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

echo "$(date -u '+%Y-%m-%d') on $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), medians of $runs interleaved runs"

echo
echo "Warm cache (the folder read once before):"
printf '%-8s %14s %14s %10s %11s %11s\n' files serial_ms parallel_ms list_ms x_serial x_parallel
for n in $sizes; do
  for program in serial_floor parallel_floor list; do "$program" "$work/$n" >/dev/null; done
  interleaved_medians : "$work/$n" serial_floor parallel_floor list
  printf '%-8s %14s %14s %10s %11s %11s\n' "$n" "${median[serial_floor]}" \
    "${median[parallel_floor]}" "${median[list]}" \
    "$(ratio "${median[list]}" "${median[serial_floor]}")" \
    "$(ratio "${median[list]}" "${median[parallel_floor]}")"
done

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
echo "The window: start to the first paint of the rows (warm cache):"
printf '%-8s %10s %11s %7s\n' files list_ms window_ms ratio
n=100000
window "$work/$n" >/dev/null 2>&1
interleaved_medians : "$work/$n" list window
printf '%-8s %10s %11s %7s\n' "$n" "${median[list]}" "${median[window]}" \
  "$(ratio "${median[window]}" "${median[list]}")"

echo
echo "Saving: apply of every row marked changed against the bare write loop:"
RUNS=$runs bench/apply_bench.sh "$build"
