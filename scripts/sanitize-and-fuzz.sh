#!/usr/bin/env bash
# Run by ./test after the normal build: the tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan), the loader's tests under ThreadSanitizer
# (build-tsan), then each libFuzzer target briefly on its seed corpus (build-fuzz). Any
# sanitizer report, failing test or fuzzer crash exits non-zero.
# QUORVANE_FUZZ_SECONDS sets how long each fuzzer runs (20 by default).
set -euo pipefail
cd "$(dirname "$0")/.."

asan_build=${QUORVANE_ASAN_BUILD_DIR:-build-asan}
tsan_build=${QUORVANE_TSAN_BUILD_DIR:-build-tsan}
fuzz_build=${QUORVANE_FUZZ_BUILD_DIR:-build-fuzz}
fuzz_seconds=${QUORVANE_FUZZ_SECONDS:-20}
sanitizer_flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Reports go to files as well as failing the process, so that a report from a process
# whose exit status a shell test ignores still fails the run.
mkdir "$scratch/reports"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:detect_leaks=1:log_path=$scratch/reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:log_path=$scratch/reports/ubsan"

fail_on_reports() {
  local reports
  reports=$(find "$scratch/reports" -type f)
  [ -z "$reports" ] && return 0
  echo "Sanitizer reports:" >&2
  for report in $reports; do
    echo "=== $report" >&2
    cat "$report" >&2
  done
  return 1
}

echo "== Sanitizers: building the tests in $asan_build"
cmake -S . -B "$asan_build" -DQUORVANE_GUI=OFF -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_WERROR=ON \
  -DCMAKE_CXX_FLAGS="$sanitizer_flags" >/dev/null
cmake --build "$asan_build" -j2
ctest_status=0
ctest --test-dir "$asan_build" --output-on-failure -j2 || ctest_status=$?
fail_on_reports
[ "$ctest_status" -eq 0 ] || exit "$ctest_status"

# The folder loader reads on several threads, the window lists ahead on one: their tests
# again under ThreadSanitizer.
echo "== ThreadSanitizer: building the loader tests in $tsan_build"
CXX=clang++ cmake -S . -B "$tsan_build" -DQUORVANE_GUI=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DQUORVANE_WERROR=ON -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" >/dev/null
cmake --build "$tsan_build" -j2 --target file_ends_test file_system_test main_window_test \
  hostile_window_test
for test in file_ends_test file_system_test main_window_test hostile_window_test; do
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$scratch/reports/tsan" \
    "$tsan_build/tests/$test" --gtest_brief=1
done
fail_on_reports

echo "== Fuzzing: building the targets in $fuzz_build"
CXX=clang++ cmake -S fuzz -B "$fuzz_build" >/dev/null
cmake --build "$fuzz_build" -j2

# The fuzzers print their own reports; new inputs go to a scratch copy of each corpus so
# that the committed seeds stay as they are.
unset ASAN_OPTIONS UBSAN_OPTIONS
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
for target in text_codec tag_file sheet_text; do
  echo "== Fuzzing $target for ${fuzz_seconds}s"
  mkdir -p "$scratch/corpus-$target" "$scratch/artifacts-$target"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  status=0
  # The fuzzers' own folders go under the scratch folder, which goes when the script ends.
  mkdir -p "$scratch/tmp-$target"
  TMPDIR=$scratch/tmp-$target nice -n 10 "$fuzz_build/${target}_fuzzer" "${dict[@]}" -max_total_time="$fuzz_seconds" \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$scratch/artifacts-$target/" \
    "$scratch/corpus-$target" "fuzz/corpus/$target" >"$scratch/$target.log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|Done)' "$scratch/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$scratch/$target.log" >&2
    for artifact in "$scratch/artifacts-$target"/*; do
      [ -e "$artifact" ] || continue
      echo "Input that failed ($(basename "$artifact")):" >&2
      od -An -tx1 -v "$artifact" | head -n 40 >&2
    done
    echo "FAILED: fuzzer $target (exit $status)" >&2
    exit 1
  fi
done
echo "Sanitizer tests and fuzz runs passed"
