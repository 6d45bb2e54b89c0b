// The vector centre-zone kernel, written once over the vector width. Each translation unit that
// includes it is compiled for one instruction set and instantiates it for that set's width; the
// anonymous namespace keeps every instantiation and helper private to its unit, so code built for
// a wider set can never stand in for a narrower one at link time.
#pragma once

#include "filter/CentreKernel.h"

namespace sg {
namespace {

// Converted source samples held on the stack: 4 KB, reused as windows slide along the zone.
constexpr int32_t kTileSamples = 512;

template <int Lanes>
struct VectorOf {
    typedef double Type __attribute__((vector_size(Lanes * sizeof(double))));
};

template <typename Vector>
inline Vector LoadUnaligned(const double* values) {
    Vector v;
    __builtin_memcpy(&v, values, sizeof v);
    return v;
}

// Sum s gathers the terms of samples s * Lanes + j .. s * Lanes + j + Lanes - 1, one per lane, at
// row j of the window, for outputs whose windows start at those samples.
template <int Lanes, int Sums, bool Ramp>
inline void AddSharedSamples(typename VectorOf<Lanes>::Type (&sums)[Sums], const double* x, int32_t j,
                             const CentreZone& zone) {
    using Vector = typename VectorOf<Lanes>::Type;
    Vector samples = LoadUnaligned<Vector>(x + j);
    // Kept in a register: left alone, the compiler loads the samples again for every product.
    asm("" : "+x"(samples));
#pragma GCC unroll 8
    for (int s = 0; s < Sums; ++s) {
        const int32_t row = j - s * Lanes;
        if (!Ramp || (row >= 0 && row < zone.taps)) {
            const Vector product = samples * zone.weights[row];
            sums[s] = sums[s] + product;
        }
    }
}

// Outputs [0, valid) of one pass of Lanes * Sums consecutive outputs over the converted samples x.
// Lane l of sum s is output s * Lanes + l; every lane adds its terms in row order, exactly as the
// plain loop does, and the Sums independent chains keep the adder busy while each waits on the last.
template <int Lanes, int Sums>
inline void FilterPass(const double* x, const CentreZone& zone, float* output, int32_t valid) {
    using Vector = typename VectorOf<Lanes>::Type;
    Vector sums[Sums] = {};
    constexpr int32_t kRamp = (Sums - 1) * Lanes;
    if (zone.taps >= kRamp) {
        // Wide windows: one load of samples serves every sum, each at its own row, so the loads
        // (most of which straddle a cache line) stay fewer than the multiplies. The first and last
        // kRamp steps feed only the sums whose windows they reach.
        int32_t j = 0;
        for (; j < kRamp; ++j) AddSharedSamples<Lanes, Sums, true>(sums, x, j, zone);
        for (; j < zone.taps; ++j) AddSharedSamples<Lanes, Sums, false>(sums, x, j, zone);
        for (; j < zone.taps + kRamp; ++j) AddSharedSamples<Lanes, Sums, true>(sums, x, j, zone);
    } else {
        for (int32_t row = 0; row < zone.taps; ++row) {
            const double weight = zone.weights[row];
#pragma GCC unroll 8
            for (int s = 0; s < Sums; ++s) {
                const Vector product = LoadUnaligned<Vector>(x + row + s * Lanes) * weight;
                sums[s] = sums[s] + product;
            }
        }
    }
#pragma GCC unroll 8
    for (int s = 0; s < Sums; ++s) {
        const Vector stored = (sums[s] - zone.scales.outputOffset) * zone.scales.outputScale;
        for (int l = 0; l < Lanes && s * Lanes + l < valid; ++l) output[s * Lanes + l] = static_cast<float>(stored[l]);
    }
}

// The last outputs of a zone, fewer than a pass: only as many sums as they fill, so that a short
// zone (a tile of the windows across a boundary, a short block) does not pay for a whole pass.
// Each lane's terms are the same in the same order whatever the number of sums.
template <int Lanes, int Sums>
inline void FilterPartialPass(const double* x, const CentreZone& zone, float* output, int32_t valid) {
    if constexpr (Sums > 1) {
        if (valid <= (Sums - 1) * Lanes) return FilterPartialPass<Lanes, Sums - 1>(x, zone, output, valid);
    }
    FilterPass<Lanes, Sums>(x, zone, output, valid);
}

template <int Lanes, int Sums>
void FilterCentreVector(const CentreZone& zone) {
    constexpr int32_t kPass = Lanes * Sums;
    static_assert(kTileSamples >= kCentreMaxTaps - 1 + 2 * kPass, "a tile must always hold a whole pass");
    // Where the zone ends a vector or less past a whole pass, that pass takes one more sum rather
    // than leave those outputs to a pass of their own, whose single sum waits on every add before
    // it. Not for SSE2, whose eight registers hold no more sums.
    constexpr bool kWiderLastPass = Lanes >= 4;
    // Room past the samples for the pass that ends the zone, whose spare lanes read zeros.
    alignas(64) double tile[kTileSamples + kPass + Lanes];
    const int32_t span = zone.count + zone.taps - 1;  // source samples the zone reads
    int32_t tileFirst = 0;                            // source index of tile[0]
    int32_t tileEnd = 0;                              // source index one past the last converted
    int32_t next = 0;                                 // the next output to compute
    while (next < zone.count) {
        // Each source sample is converted once; samples the tile already holds keep their values.
        const int32_t end = span < tileFirst + kTileSamples ? span : tileFirst + kTileSamples;
        for (int32_t i = tileEnd; i < end; ++i)
            tile[i - tileFirst] = static_cast<double>(zone.source[i]) * zone.scales.inputScale + zone.scales.inputOffset;
        tileEnd = end;
        const int32_t held = tileEnd - zone.taps + 1;  // outputs up to here have their windows in the tile
        const int32_t last = zone.count < held ? zone.count : held;
        const bool ending = tileEnd == span;
        for (; next + kPass <= last; next += kPass) {
            if (kWiderLastPass && ending && last - next > kPass && last - next <= kPass + Lanes) break;
            FilterPass<Lanes, Sums>(tile + (next - tileFirst), zone, zone.output + next, kPass);
        }
        if (ending && next < last) {
            for (int32_t i = tileEnd - tileFirst; i < tileEnd - tileFirst + kPass + Lanes; ++i) tile[i] = 0.0;
            if (last - next > kPass) {
                FilterPass<Lanes, Sums + 1>(tile + (next - tileFirst), zone, zone.output + next, last - next);
            } else {
                FilterPartialPass<Lanes, Sums>(tile + (next - tileFirst), zone, zone.output + next, last - next);
            }
            next = last;
        }
        // The samples still ahead move to the front of the tile for the next round.
        for (int32_t i = next; i < tileEnd; ++i) tile[i - next] = tile[i - tileFirst];
        tileFirst = next;
    }
}

}  // namespace
}  // namespace sg
