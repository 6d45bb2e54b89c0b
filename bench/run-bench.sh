#!/usr/bin/env bash
# `make bench`: installs scipy, builds the benchmark and runs it once. Where 32-bit programs run
# only under an emulator, the benchmark is the same kernel source built as native 64-bit code, so
# that no emulated time is reported as performance.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")

"$source_dir/tools/install-deps.sh" python3-scipy python3-threadpoolctl

if [ -z "$(tr -d '[:space:]' < "$build/run32")" ]; then
  cmake --build "$build" -j"${JOBS:-2}" --target sg_bench
  exec "$build/sg_bench"
fi

native="$build/bench-native64"
mkdir -p "$native"
flags=(-std=c++20 -O3 -msse2 -ffp-contract=off -Wall -Wextra -Werror -Wno-restrict -I"$source_dir" -I"$source_dir/module"
       -DSG_BENCH_THROUGH_MAIN1=0 -DSG_SOURCE_DIR="\"$source_dir\"")
kernels="$source_dir/module/filter"
g++ "${flags[@]}" -c "$kernels/CentreKernelAvx2.cpp" -mavx2 -o "$native/avx2.o"
g++ "${flags[@]}" -c "$kernels/EdgeKernelAvx2.cpp" -mavx2 -o "$native/edge-avx2.o"
g++ "${flags[@]}" -c "$kernels/CentreKernelAvx512.cpp" -mavx512f -o "$native/avx512.o"
g++ "${flags[@]}" -c "$kernels/EdgeKernelAvx512.cpp" -mavx512f -o "$native/edge-avx512.o"
g++ "${flags[@]}" -c "$kernels/SampleMatchAvx2.cpp" -mavx2 -o "$native/match-avx2.o"
g++ "${flags[@]}" -c "$kernels/SampleMatchAvx512.cpp" -mavx512f -o "$native/match-avx512.o"
g++ "${flags[@]}" "$here/FilterBench.cpp" "$here/ProcessorPeak.cpp" "$kernels/CentreKernelPlain.cpp" \
    "$kernels/CentreKernelSse2.cpp" "$kernels/CentreKernelChoice.cpp" "$kernels/EdgeKernelPlain.cpp" \
    "$kernels/EdgeKernelSse2.cpp" "$kernels/SampleMatchPlain.cpp" "$kernels/WindowTile.cpp" "$native/avx2.o" \
    "$native/avx512.o" "$native/edge-avx2.o" "$native/edge-avx512.o" "$native/match-avx2.o" "$native/match-avx512.o" \
    -o "$native/sg_bench"
exec "$native/sg_bench"
