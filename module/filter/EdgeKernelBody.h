// The vector edge kernel, written once over the vector width and instantiated, like the centre
// kernel, in one translation unit per instruction set, each private to its unit.
#pragma once

#include "filter/CentreKernel.h"
#include "filter/EdgeKernel.h"

namespace sg {
namespace {

template <int Lanes>
struct EdgeVectorOf {
    typedef double Type __attribute__((vector_size(Lanes * sizeof(double))));
};

// Outputs [first, first + Lanes * Sums): lane l of sum s is output first + s * Lanes + l, whose
// column is read along the table's row, so the loads stay contiguous. Each lane adds its terms in
// row order; the independent sums keep the adder busy.
template <int Lanes, int Sums>
inline void EdgePass(const double* x, const EdgeZone& zone, int32_t first) {
    using Vector = typename EdgeVectorOf<Lanes>::Type;
    Vector sums[Sums] = {};
    for (int32_t row = 0; row < zone.taps; ++row) {
        const double* weights = zone.weights + static_cast<std::ptrdiff_t>(row) * zone.stride + first;
#pragma GCC unroll 8
        for (int s = 0; s < Sums; ++s) {
            Vector w;
            __builtin_memcpy(&w, weights + s * Lanes, sizeof w);
            const Vector product = w * x[row];
            sums[s] = sums[s] + product;
        }
    }
#pragma GCC unroll 8
    for (int s = 0; s < Sums; ++s) {
        const Vector stored = (sums[s] - zone.scales.outputOffset) * zone.scales.outputScale;
        for (int l = 0; l < Lanes; ++l) zone.output[first + s * Lanes + l] = static_cast<float>(stored[l]);
    }
}

template <int Lanes, int Sums>
void FilterEdgeVector(const EdgeZone& zone) {
    // The window, converted once for every position.
    double x[kCentreMaxTaps];
    for (int32_t row = 0; row < zone.taps; ++row)
        x[row] = static_cast<double>(zone.source[row]) * zone.scales.inputScale + zone.scales.inputOffset;
    int32_t first = 0;
    for (; first + Lanes * Sums <= zone.count; first += Lanes * Sums) EdgePass<Lanes, Sums>(x, zone, first);
    for (; first + Lanes <= zone.count; first += Lanes) EdgePass<Lanes, 1>(x, zone, first);
    // Fewer positions than a vector holds: a whole vector would read past the table's last row.
    for (; first < zone.count; ++first) {
        double sum = 0.0;
        for (int32_t row = 0; row < zone.taps; ++row)
            sum = sum + x[row] * zone.weights[static_cast<std::ptrdiff_t>(row) * zone.stride + first];
        zone.output[first] = static_cast<float>((sum - zone.scales.outputOffset) * zone.scales.outputScale);
    }
}

}  // namespace
}  // namespace sg
