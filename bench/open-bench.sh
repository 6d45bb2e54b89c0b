#!/usr/bin/env bash
# `make bench-open`: how long opening a day-long EDF+D takes, from a cold disk and a warm one:
# `sgfilter info` beside a plain read of the whole file (`cat FILE | cat > /dev/null`), in one run.
#   bench/open-bench.sh [BUILD] [RECORDING]
# Without a recording it makes (once) the 24-hour 8-channel 1 kHz EDF+D that bench-view uses.
set -euo pipefail
build=${1:-build}
cmake --build "$build" -j"${JOBS:-2}" --target sgfilter make-sample
run32=$(cat "$build/run32")
recording=${2:-}
if [ -z "$recording" ]; then
  mkdir -p "$build/bench-view"
  recording="$build/bench-view/view-86400.edf"
  if [ ! -f "$recording" ]; then
    $run32 "$build/make-sample" --format edf --channels 8 --duration 86400 -o "$recording.part"
    mv "$recording.part" "$recording"
  fi
fi
[ -n "$run32" ] && echo "EMULATED under $run32: sgfilter's times are the emulator's, not figures."
echo "$recording: $(stat -c %s "$recording") bytes; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"

seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null; end=$(date +%s.%N); awk "BEGIN { print $end - $start }"; }
drop_cache() { sync && echo 3 2>/dev/null > /proc/sys/vm/drop_caches; }
read_whole() { cat "$recording" | cat > /dev/null; }

rounds=3
if drop_cache; then
  for round in $(seq $rounds); do
    drop_cache; info=$(seconds $run32 "$build/sgfilter" info "$recording")
    drop_cache; whole=$(seconds read_whole)
    printf 'cold cache: sgfilter info %6.3f s, cat | cat %6.3f s, ratio %.2f\n' "$info" "$whole" "$(awk "BEGIN { print $info / $whole }")"
  done
else
  echo "cold cache: not measured (dropping the page cache needs root)"
fi
read_whole
for round in $(seq $rounds); do
  info=$(seconds $run32 "$build/sgfilter" info "$recording")
  whole=$(seconds read_whole)
  printf 'warm cache: sgfilter info %6.3f s, cat | cat %6.3f s\n' "$info" "$whole"
done
