// The vector comparison of samples, written once over the vector type; each unit that includes it
// is compiled for one instruction set (see CentreKernelBody.h for why it stays in an anonymous
// namespace). The tile calls it twice a window, mostly for a few vectors' worth, so the
// comparison ends in one test of the differences rather than a reduction across lanes.
#pragma once

#include <cstdint>

#include "filter/SampleMatch.h"

namespace sg {
namespace {

// Vector: the register type; Load reads one unaligned; AnySet tests a vector for a set bit.
template <class Vector, int Lanes, Vector (*Load)(const float*), bool (*AnySet)(Vector)>
inline bool SamplesMatchVector(const float* a, const float* b, int32_t count) {
    if (count < Lanes) {
        uint32_t differ = 0;
        for (int32_t i = 0; i < count; ++i) {
            uint32_t x, y;
            __builtin_memcpy(&x, a + i, sizeof x);
            __builtin_memcpy(&y, b + i, sizeof y);
            differ |= x ^ y;
        }
        return differ == 0;
    }
    // The first and the last Lanes samples, and between them vectors from the first sample of `a`
    // on a vector's boundary, so that only the loads from `b` straddle cache lines; the vectors
    // overlap where they must.
    Vector differ = (Load(a) ^ Load(b)) | (Load(a + count - Lanes) ^ Load(b + count - Lanes));
    const auto misaligned = static_cast<int32_t>((reinterpret_cast<uintptr_t>(a) / sizeof(float)) % Lanes);
    for (int32_t i = (Lanes - misaligned) % Lanes; i + Lanes <= count; i += Lanes) differ |= Load(a + i) ^ Load(b + i);
    return !AnySet(differ);
}

}  // namespace
}  // namespace sg
