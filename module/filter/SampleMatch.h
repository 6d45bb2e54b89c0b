// Whether two runs of samples hold the same bits, as memcmp says: how the tile of windows across
// a block boundary checks that a window read what the windows before it read at the same
// indices. Each window compares nearly all its samples so, which costs more than its sum unless
// the comparison is as wide as the kernels. Nothing here calls the host.
#pragma once

#include <cstdint>

namespace sg {

using SampleMatch = bool (*)(const float* a, const float* b, int32_t count);

// memcmp: the reference, and the comparison of the plain and SSE2 paths.
bool SamplesMatchPlain(const float* a, const float* b, int32_t count);
// Built for their own instruction sets; each may run only where the processor has it.
bool SamplesMatchAvx2(const float* a, const float* b, int32_t count);
bool SamplesMatchAvx512(const float* a, const float* b, int32_t count);

}  // namespace sg
