#!/usr/bin/env bash
# Side by side, on the same folders: the bare system-call floor, quorvane-tag list and
# apply, and peers reading the same ID3v1 tags (TagLib through a tiny reader, mutagen,
# id3v2 -l, exiftool). Prints a table of medians and ratios to the floor.
# Usage: bench/peers_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
source scripts/ensure-packages.sh
ensure_packages libtag1-dev libimage-exiftool-perl python3-mutagen id3v2
build=${1:-build-release}
work=${BENCH_DIR:-/tmp/quorvane-bench}/peers
runs=${RUNS:-5}
sizes=${SIZES:-"1000 10000"}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane-tag bare_tag_read bare_tag_write >/dev/null
tool=$build/cli/quorvane-tag
mkdir -p "$work"
source bench/peer_readers.sh
id3v2_read() { find "$1" -maxdepth 1 -iname '*.mp3' -print0 | xargs -0 id3v2 -l; }
exiftool_read() { exiftool -q -fast -ID3v1:Title -ID3v1:Artist -ext mp3 "$1"; }
apply_rows() { "$tool" apply "$1" "$work/rows-$2"; }

echo "$(date -u '+%Y-%m-%d') on $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
printf '| %-7s | %-26s | %11s | %8s |\n' files program median_ms x_floor
printf '|---------|----------------------------|-------------|----------|\n'
for n in $sizes; do
  folder=$work/$n
  if [ ! -d "$folder" ]; then
    python3 bench/make_folder.py "$folder" "$n"
    "$build/bench/bare_tag_write" "$folder" >/dev/null  # every file tagged: apply rewrites, never grows
  fi
  "$tool" list "$folder" | awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "2"; print }' > "$work/rows-$n"
  floor=$(median_ms "$build/bench/bare_tag_read" "$folder")
  row() { printf '| %-7s | %-26s | %11s | %8s |\n' "$n" "$1" "$2" "$(ratio "$2" "$floor")"; }
  row "floor: open+pread+close" "$floor"
  row "quorvane-tag list" "$(median_ms "$tool" list "$folder")"
  row "floor: open+pwrite+close" "$(median_ms "$build/bench/bare_tag_write" "$folder")"
  row "quorvane-tag apply (all)" "$(median_ms apply_rows "$folder" "$n")"
  row "TagLib (C++)" "$(median_ms taglib_read "$folder")"
  row "mutagen (Python)" "$(median_ms mutagen_read "$folder")"
  row "id3v2 -l" "$(median_ms id3v2_read "$folder")"
  row "exiftool" "$(runs=1 median_ms exiftool_read "$folder")"
done
