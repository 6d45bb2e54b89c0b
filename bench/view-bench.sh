#!/usr/bin/env bash
# `make bench-view`: times sgfilter view's server on a long recording as a page uses it.
#   bench/view-bench.sh [BUILD] [RECORDING]
# Without a recording it makes (once) the 24-hour 8-channel 1 kHz EDF+D that the goals name;
# DURATION=SECONDS makes a shorter one instead (bench-view/view-SECONDS.edf in the build folder);
# ONLY_RECORDING=1 makes it and times nothing.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
cmake --build "$build" -j"${JOBS:-2}" --target sgfilter SavitzkyGolay make-sample
run32=$(cat "$build/run32")
recording=${2:-}
if [ -z "$recording" ]; then
  duration=${DURATION:-86400}
  mkdir -p "$build/bench-view"
  recording="$build/bench-view/view-$duration.edf"
  if [ ! -f "$recording" ]; then
    $run32 "$build/make-sample" --format edf --channels 8 --duration "$duration" -o "$recording.part"
    mv "$recording.part" "$recording"
  fi
fi
if [ -n "${ONLY_RECORDING:-}" ]; then exit 0; fi
# The first screen once more from a cold disk, where this user may drop the page cache.
if sync && echo 3 2>/dev/null > /proc/sys/vm/drop_caches; then
  node "$here/view-bench.mjs" "$build" "$recording" first-screen
else
  echo "cold cache: not measured (dropping the page cache needs root)"
fi
exec node "$here/view-bench.mjs" "$build" "$recording"
