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
# LeakSanitizer cannot stop the world under the emulator; the other checks still run.
[ -n "$run32" ] && options+=(-detect_leaks=0)
# A small quarantine keeps a long run of many short sessions well inside the 32-bit address space.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

if [ "$mode" = check ]; then
  # A fresh copy of the seeds each time, so that the check takes the same time however long
  # `make fuzz` has run before.
  rm -rf "$build/corpus-check" && cp -r fuzz/corpus "$build/corpus-check"
  echo "Replaying the seed corpus"
  $run32 "$fuzzer" "${options[@]}" -runs=0 "$build/corpus-check"
  echo "Fuzzing for at most $seconds s or $runs runs"
  $run32 "$fuzzer" "${options[@]}" -max_total_time="$seconds" -runs="$runs" "$build/corpus-check"
else
  mkdir -p "$build/corpus"
  cp -n fuzz/corpus/* "$build/corpus/"
  echo "Fuzzing for $seconds s"
  $run32 "$fuzzer" "${options[@]}" -max_total_time="$seconds" "$build/corpus"
fi
