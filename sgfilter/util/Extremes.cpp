#include "util/Extremes.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>

namespace sgf {

Extremes extremesInOrder(std::span<const float> values) {
    Extremes extremes = kNoValues;
    for (const float value : values) {
        if (value < extremes.least) extremes.least = value;
        if (value > extremes.greatest) extremes.greatest = value;
    }
    return extremes;
}

Extremes extremesOf(std::span<const float> values) {
    // minps(a, b) is a < b ? a : b, so with the sample first a NaN leaves the lane as it was, as in
    // the plain loop. The lanes meet in another order than the samples came, which only the sign
    // of a zero can tell: where an end is zero, the plain loop says which zero.
    __m128 least = _mm_set1_ps(kNoValues.least);
    __m128 greatest = _mm_set1_ps(kNoValues.greatest);
    const std::size_t whole = values.size() & ~std::size_t{3};
    for (std::size_t index = 0; index < whole; index += 4) {
        const __m128 four = _mm_loadu_ps(values.data() + index);
        least = _mm_min_ps(four, least);
        greatest = _mm_max_ps(four, greatest);
    }
    alignas(16) float leastLanes[4];
    alignas(16) float greatestLanes[4];
    _mm_store_ps(leastLanes, least);
    _mm_store_ps(greatestLanes, greatest);
    Extremes extremes = extremesInOrder(values.subspan(whole));
    for (int lane = 0; lane < 4; ++lane) {
        if (leastLanes[lane] < extremes.least) extremes.least = leastLanes[lane];
        if (greatestLanes[lane] > extremes.greatest) extremes.greatest = greatestLanes[lane];
    }
    if (extremes.least == 0.0F || extremes.greatest == 0.0F) return extremesInOrder(values);
    return extremes;
}

bool holdsNaN(std::span<const float> values) {
    __m128 unordered = _mm_setzero_ps();
    const std::size_t whole = values.size() & ~std::size_t{3};
    for (std::size_t index = 0; index < whole; index += 4) {
        const __m128 four = _mm_loadu_ps(values.data() + index);
        unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(four, four));
    }
    bool found = _mm_movemask_ps(unordered) != 0;
    for (std::size_t index = whole; index < values.size(); ++index) found = found || std::isnan(values[index]);
    return found;
}

}  // namespace sgf
