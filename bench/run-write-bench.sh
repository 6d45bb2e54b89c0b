#!/usr/bin/env bash
# `make bench-write`: sgfilter's EDF+ write path, before and after a change, in one run. The pieces
# do not depend on the host, so both are built as native code (an emulated time is no figure):
# BEFORE's sources from git, the working tree's as they are. Prints both, the ratio, and whether
# the two wrote the same bytes.
#
# Usage: bench/run-write-bench.sh [BUILD] [BEFORE] [SAMPLES_PER_SIGNAL]
#   BEFORE: a commit (default: the last one before the write path was made faster)
set -euo pipefail
build=${1:-build}
before=${2:-cd7936576400}
samples=${3:-8640000}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
work="$build/bench-write"
rm -rf "$work"
mkdir -p "$work/before"
git -C "$source_dir" archive "$before" sgfilter | tar -x -C "$work/before"

sources=(edf/EdfResultWriter.cpp edf/EdfPlusWriter.cpp edf/EdfPlusAnnotations.cpp edf/EdfPlusNumbers.cpp
         edf/EdfPlusHeader.cpp edf/EdfPlusRecordSize.cpp io/AtomicOutputFile.cpp io/BufferedWriter.cpp
         io/FixedText.cpp util/Errors.cpp plot/ChannelTrace.cpp plot/ColumnDecimator.cpp recording/ValueRange.cpp)
build_one() {
  local tree=$1 out=$2
  g++ -std=c++20 -O3 -DNDEBUG -msse2 -ffp-contract=off -Wall -Wextra -Werror -DFMT_HEADER_ONLY \
      -I"$tree" -I"$source_dir" -I"$source_dir/reference_host/include" \
      "$here/EdfWriteBench.cpp" "${sources[@]/#/$tree/}" -o "$out"
}
build_one "$work/before/sgfilter" "$work/bench-before" &
build_one "$source_dir/sgfilter" "$work/bench-after"
wait

echo "EDF+ write path, native $(uname -m), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "before: $before"
"$work/bench-before" "$samples" "$work/before-out" | tee "$work/before.txt"
echo "after: working tree"
"$work/bench-after" "$samples" "$work/after-out" | tee "$work/after.txt"
paste <(awk '/ns\/value/ {print $1, $4}' "$work/before.txt") <(awk '/ns\/value/ {print $4}' "$work/after.txt") |
  awk '{printf "%-7s %8.2f -> %8.2f ns/value  %6.1fx\n", $1, $2, $3, ($3 > 0 ? $2 / $3 : 0)}'
cmp "$work/before-out.edf" "$work/after-out.edf" && cmp "$work/before-out.trace" "$work/after-out.trace" &&
  echo "same bytes before and after: EDF+ file and plot points"
