#!/usr/bin/env bash
# `make bench-wfdb`: how fast sgfilter reads and filters a WFDB record against the same samples as
# EDF, in one run: a format-212 record of two signals at 360 Hz (24 hours unless HOURS says), both
# signals filtered to an EDF+ output, each file ROUNDS times in turn, the best time of each kept.
# Prints both times and the WFDB run's speed as a fraction of the EDF run's.
#
# Usage: bench/wfdb-read-bench.sh [BUILD] [HOURS] [ROUNDS]
set -euo pipefail
build=${1:-build}
hours=${2:-24}
rounds=${3:-3}
work="$build/bench-wfdb"
cmake --build "$build" -j"${JOBS:-2}" --target sgfilter SavitzkyGolay sg_wfdb_bench_record >/dev/null
run32=$(tr -d '[:space:]' < "$build/run32" || true)
rm -rf "$work"
mkdir -p "$work"
$run32 "$build/sg_wfdb_bench_record" "$work" "$hours"
ls -l "$work"

filter() {
  $run32 "$build/sgfilter" filter "$1" -o "$work/out.edf" --channel 1 --order 3 --width 25 \
    --then --channel 2 --order 3 --width 25
}
best() {  # the least of the times given
  printf '%s\n' "$@" | sort -g | head -n1
}
timed() {
  local start end
  start=$(date +%s.%N)
  filter "$1"
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
edf_times=() wfdb_times=()
for _ in $(seq "$rounds"); do
  edf_times+=("$(timed "$work/rec.edf")")
  wfdb_times+=("$(timed "$work/rec.hea")")
done
edf=$(best "${edf_times[@]}")
wfdb=$(best "${wfdb_times[@]}")
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores (shared with other work)"
echo "EDF  times: ${edf_times[*]} s; best $edf s"
echo "WFDB times: ${wfdb_times[*]} s; best $wfdb s"
echo "WFDB speed / EDF speed: $(echo "scale=3; $edf / $wfdb" | bc) (at least 0.8 wanted)"
