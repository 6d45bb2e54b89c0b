// The comparison of samples for AVX2: 8 samples per vector.
#include <immintrin.h>

#include "filter/SampleMatchBody.h"

namespace sg {

namespace {

__m256i Load8(const float* values) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values)); }
bool AnySet8(__m256i v) { return _mm256_testz_si256(v, v) == 0; }

}  // namespace

bool SamplesMatchAvx2(const float* a, const float* b, int32_t count) {
    return SamplesMatchVector<__m256i, 8, Load8, AnySet8>(a, b, count);
}

}  // namespace sg
