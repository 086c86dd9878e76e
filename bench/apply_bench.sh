#!/usr/bin/env bash
# What a durable save costs: `quorvane-tag apply` of 10,000 rows marked changed (every file
# already tagged, so that no file grows between runs) against the bare write loop without
# a flush, with one syncfs, and with every file flushed on 16 threads, on this machine's
# disk and on a tmpfs (where a flush costs nothing). Programs interleaved, medians of RUNS.
# Usage: bench/apply_bench.sh [BUILD_DIR]   (default: build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/timing.sh
build=${1:-build-release}
runs=${RUNS:-5}
n=${FILES:-10000}
disk=${BENCH_DIR:-/tmp/quorvane-bench}/apply-disk
memory=${SHM_DIR:-/dev/shm}/quorvane-bench-apply

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane-tag bare_tag_write >/dev/null
tool=$build/cli/quorvane-tag
bare=$build/bench/bare_tag_write
trap 'rm -rf "$memory"' EXIT

bare_write() { "$bare" "$1"; }
bare_syncfs() { "$bare" "$1" --syncfs; }
bare_fdatasync() { "$bare" "$1" --fdatasync 16; }
apply() { "$tool" apply "$1" "$1.rows"; }

echo "$(date -u '+%Y-%m-%d') on $(nproc) cores, $n files, medians of $runs interleaved runs"
printf '%-8s %10s %13s %16s %10s %14s\n' where write_ms write_syncfs write_fdatasync apply_ms \
  x_write_syncfs
for folder in "$disk" "$memory"; do
  where=disk
  [ "$folder" = "$memory" ] && where=tmpfs
  if [ ! -d "$folder" ]; then
    python3 bench/make_folder.py "$folder" "$n"
    "$bare" "$folder" >/dev/null  # tag the untagged ones
  fi
  "$tool" list "$folder" | awk -F'\t' 'BEGIN { OFS = "\t" } { $9 = "2"; print }' >"$folder.rows"
  sync
  interleaved_medians : "$folder" bare_write bare_syncfs bare_fdatasync apply
  printf '%-8s %10s %13s %16s %10s %14s\n' "$where" "${median[bare_write]}" \
    "${median[bare_syncfs]}" "${median[bare_fdatasync]}" "${median[apply]}" \
    "$(ratio "${median[apply]}" "${median[bare_syncfs]}")"
done
