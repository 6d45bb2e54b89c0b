// Which centre-zone and edge kernels (and comparison of samples) run: the widest instruction set the processor and the
// operating system support, chosen once per load. SG_FILTER_SIMD (plain, sse2, avx2 or avx512)
// caps the choice: a diagnostic that rules out the wider sets; it changes no result, since every
// kernel gives the same bits. The plain path also takes windows that cross a block boundary one
// sample at a time, the reference for the vector paths' gathering of them.
#pragma once

#include "filter/CentreKernel.h"
#include "filter/EdgeKernel.h"
#include "filter/SampleMatch.h"

namespace sg {

// In order of width; plain is the loop without vectors.
enum class SimdPath { plain, sse2, avx2, avx512 };

inline constexpr const char* kSimdLimitVariable = "SG_FILTER_SIMD";

const char* PathName(SimdPath path);
SimdPath WidestSupportedPath();
// The path a limit allows on a processor whose widest is `widest`: the narrower of the two. A null
// or unknown limit rules nothing out.
SimdPath LimitedPath(SimdPath widest, const char* limit);
CentreKernel KernelFor(SimdPath path);
EdgeKernel EdgeKernelFor(SimdPath path);
SampleMatch SampleMatchFor(SimdPath path);
// The path of this load, chosen on first use.
SimdPath ChosenPath();

}  // namespace sg
