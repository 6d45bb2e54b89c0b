#!/usr/bin/env bash
# Runs the Main1 fuzzer of the fuzz build over the committed seed corpus.
#   run-fuzzer.sh BUILD check SECONDS RUNS   replays every seed, then fuzzes for at most SECONDS or RUNS
#   run-fuzzer.sh BUILD fuzz SECONDS         fuzzes for SECONDS, keeping what it finds in BUILD/corpus
# The committed corpus is only read: new inputs go to BUILD/corpus, crashes to BUILD/crash-*.
set -euo pipefail

build=$1 mode=$2 seconds=$3 runs=${4:-0}
fuzzer=$build/main1_fuzzer
run32=$(cat "$build/run32")
options=(-print_final_stats=1 -artifact_prefix="$build/")
# LeakSanitizer cannot stop the world under the emulator; the other checks still run.
[ -n "$run32" ] && options+=(-detect_leaks=0)

mkdir -p "$build/corpus"
cp -n fuzz/corpus/* "$build/corpus/"
if [ "$mode" = check ]; then
  echo "Replaying the seed corpus"
  $run32 "$fuzzer" "${options[@]}" -runs=0 fuzz/corpus
  echo "Fuzzing for at most $seconds s or $runs runs"
  $run32 "$fuzzer" "${options[@]}" -max_total_time="$seconds" -runs="$runs" "$build/corpus"
else
  echo "Fuzzing for $seconds s"
  $run32 "$fuzzer" "${options[@]}" -max_total_time="$seconds" "$build/corpus"
fi
