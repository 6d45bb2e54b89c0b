// The comparison of samples for AVX-512: 16 samples per vector.
#include <immintrin.h>

#include "filter/SampleMatchBody.h"

namespace sg {

namespace {

__m512i Load16(const float* values) { return _mm512_loadu_si512(values); }
bool AnySet16(__m512i v) { return _mm512_test_epi32_mask(v, v) != 0; }

}  // namespace

bool SamplesMatchAvx512(const float* a, const float* b, int32_t count) {
    return SamplesMatchVector<__m512i, 16, Load16, AnySet16>(a, b, count);
}

}  // namespace sg
