#!/usr/bin/env bash
# Runs the Main1 fuzzer of the fuzz build over the committed seed corpus.
#   run-fuzzer.sh BUILD check SECONDS RUNS   replays every seed, then fuzzes for at most SECONDS or RUNS
#   run-fuzzer.sh BUILD fuzz SECONDS         fuzzes for SECONDS, keeping what it finds in BUILD/corpus
# The committed corpus is only read: new inputs go to BUILD/corpus (or BUILD/corpus-check), crashes
# to BUILD/crash-*.
set -euo pipefail

build=$1 mode=$2 seconds=$3 runs=${4:-0}
fuzzer=$build/main1_fuzzer
run32=$(cat "$build/run32")
options=(-print_final_stats=1 -artifact_prefix="$build/")
# A small quarantine keeps a long run of many short sessions well inside the 32-bit address space;
# under the emulator, whose own mappings take part of that space, a smaller one still.
# LeakSanitizer cannot stop the world under the emulator: the process would spin at exit. The
# other checks still run.
if [ -n "$run32" ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=8:detect_leaks=0}
  options+=(-detect_leaks=0)
else
  export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
fi

# The seeds are named one by one: under the emulator the fuzzer's runtime, built without 64-bit
# file offsets, reads no directory (every listing fails on the host's 64-bit directory offsets),
# and a corpus folder would pass for an empty one.
seedList() {
  local list=$build/seed-list
  printf '%s\n' "$@" | paste -sd, > "$list"
  echo "-seed_inputs=@$list"
}

if [ "$mode" = check ]; then
  seeds=(fuzz/corpus/*)
  rm -rf "$build/corpus-check" && mkdir "$build/corpus-check"
  echo "Replaying the ${#seeds[@]} seeds"
  $run32 "$fuzzer" "${options[@]}" "${seeds[@]}"
  if [ -n "$run32" ]; then
    # After some hundred runs in one process the emulator leaves the sanitizer's allocator no room
    # (CHECK failed: AddrIsInMem), so new inputs are searched for on machines that run 32-bit code.
    echo "Not fuzzing under the emulator: every seed was replayed"
    exit 0
  fi
  echo "Fuzzing for at most $seconds s or $runs runs"
  $run32 "$fuzzer" "${options[@]}" "$(seedList "${seeds[@]}")" -max_total_time="$seconds" -runs="$runs" \
    "$build/corpus-check"
else
  mkdir -p "$build/corpus"
  cp -n fuzz/corpus/* "$build/corpus/"
  echo "Fuzzing for $seconds s"
  $run32 "$fuzzer" "${options[@]}" "$(seedList "$build"/corpus/*)" -max_total_time="$seconds" "$build/corpus"
fi
