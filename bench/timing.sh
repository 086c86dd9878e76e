# Sourced by the benchmark scripts. median_ms COMMAND...: the median wall time in
# milliseconds of running COMMAND $runs times (default 7), its output discarded.
median_ms() {
  local times=() start end
  for _ in $(seq "${runs:-7}"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}

# ratio A B: A / B with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# interleaved_medians PREPARE ARGUMENT PROGRAM...: runs each PROGRAM (a command or shell
# function) with ARGUMENT once per round, in turn, for $runs rounds, running PREPARE (a
# command, ":" for none) before each run; leaves the medians in milliseconds in
# median[PROGRAM] and the fastest runs in fastest[PROGRAM].
declare -A median fastest
interleaved_medians() {
  local prepare=$1 argument=$2 program start end round
  shift 2
  declare -A times=()
  for round in $(seq "${runs:-5}"); do
    for program in "$@"; do
      "$prepare"
      start=$(date +%s%N)
      "$program" "$argument" >/dev/null 2>&1
      end=$(date +%s%N)
      times[$program]+="$(((end - start) / 1000)) "
    done
  done
  for program in "$@"; do
    median[$program]=$(printf '%s\n' ${times[$program]} | sort -n |
      awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}')
    fastest[$program]=$(printf '%s\n' ${times[$program]} | sort -n | head -n 1 |
      awk '{printf "%.1f", $1/1000}')
  done
}
