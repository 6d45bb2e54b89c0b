#include <cstring>

#include "filter/SampleMatch.h"

namespace sg {

bool SamplesMatchPlain(const float* a, const float* b, int32_t count) {
    return std::memcmp(a, b, sizeof(float) * static_cast<std::size_t>(count)) == 0;
}

}  // namespace sg
