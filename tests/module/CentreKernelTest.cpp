// The centre-zone kernels: every vector kernel the processor can run gives the plain loop's bits,
// for every window width and zone length, including zones that end inside a pass or a tile; none
// writes past its zone; and the choice of kernel honours the cap on the instruction set.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <vector>

#include "module/filter/CentreKernel.h"
#include "module/filter/CentreKernelChoice.h"

#include "KernelPaths.h"

namespace sg {
namespace {

struct ZoneData {
    std::vector<float> source;
    std::vector<double> weights;
    CentreZone zone{};
};

// Source values over many magnitudes, with signed zeros and subnormals among them; weights of
// both signs like a real column's.
ZoneData RandomZone(std::mt19937& random, int32_t taps, int32_t count) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> kind(0, 19);
    ZoneData data;
    data.source.resize(static_cast<std::size_t>(count + taps - 1));
    for (float& x : data.source) {
        switch (kind(random)) {
            case 0: x = -0.0f; break;
            case 1: x = 1e-40f * unit(random); break;
            case 2: x = 3e30f * unit(random); break;
            default: x = unit(random);
        }
    }
    for (int32_t row = 0; row < taps; ++row) data.weights.push_back(unit(random) / static_cast<float>(taps));
    const double scales[] = {1.0, 0.001, 37.5};
    const double offsets[] = {0.0, -0.25, 1e3};
    data.zone = {.source = data.source.data(),
                 .weights = data.weights.data(),
                 .taps = taps,
                 .count = count,
                 .scales = {.inputScale = scales[kind(random) % 3],
                 .inputOffset = offsets[kind(random) % 3],
                 .outputOffset = offsets[kind(random) % 3],
                 .outputScale = 1.0 / scales[kind(random) % 3]},
                 .output = nullptr};
    return data;
}

TEST(CentreKernelTest, EveryVectorKernelGivesThePlainLoopsBits) {
    std::mt19937 random(11);
    // Widths up to the widest table, and lengths around a pass (up to 48 outputs) and a tile
    // (a few hundred): zones that end on, just before and just after those boundaries.
    const int32_t tapsList[] = {1, 3, 5, 8, 21, 25, 51, 101, 199, 201};
    const int32_t counts[] = {1, 2, 3, 7, 8, 13, 47, 48, 49, 56, 57, 97, 100, 311, 312, 313, 500, 1201};
    for (SimdPath path : PathsHere(SimdPath::sse2)) {
        for (int32_t taps : tapsList) {
            for (int32_t count : counts) {
                SCOPED_TRACE(std::string(PathName(path)) + " taps " + std::to_string(taps) + " count " +
                             std::to_string(count));
                const ZoneData data = RandomZone(random, taps, count);
                ASSERT_EQ(GuardedOutputs(KernelFor(path), data.zone), GuardedOutputs(FilterCentrePlain, data.zone));
            }
        }
    }
}

TEST(CentreKernelTest, ThePlainLoopIsTheWeightedSumOfConvertedSamples) {
    const std::vector<float> source = {1.0f, 2.0f, 4.0f, 8.0f, 16.0f};
    const std::vector<double> weights = {0.5, -1.0, 0.25};
    float output[3] = {};
    FilterCentrePlain({.source = source.data(), .weights = weights.data(), .taps = 3, .count = 3,
                       .scales = {.inputScale = 2.0, .inputOffset = 1.0, .outputOffset = 0.5, .outputScale = 0.5},
                       .output = output});
    // Converted: 3, 5, 9, 17, 33.
    EXPECT_EQ(output[0], static_cast<float>((1.5 - 5.0 + 2.25 - 0.5) * 0.5));
    EXPECT_EQ(output[1], static_cast<float>((2.5 - 9.0 + 4.25 - 0.5) * 0.5));
    EXPECT_EQ(output[2], static_cast<float>((4.5 - 17.0 + 8.25 - 0.5) * 0.5));
}

TEST(CentreKernelTest, TheLimitCapsThePathAndNeverWidensIt) {
    EXPECT_EQ(LimitedPath(SimdPath::avx512, nullptr), SimdPath::avx512);
    EXPECT_EQ(LimitedPath(SimdPath::avx512, "avx2"), SimdPath::avx2);
    EXPECT_EQ(LimitedPath(SimdPath::avx512, "sse2"), SimdPath::sse2);
    EXPECT_EQ(LimitedPath(SimdPath::avx512, "plain"), SimdPath::plain);
    EXPECT_EQ(LimitedPath(SimdPath::avx2, "avx512"), SimdPath::avx2) << "a processor without it keeps its own";
    EXPECT_EQ(LimitedPath(SimdPath::avx2, "AVX-512 please"), SimdPath::avx2) << "an unknown name rules nothing out";
    for (SimdPath path : {SimdPath::plain, SimdPath::sse2, SimdPath::avx2, SimdPath::avx512})
        EXPECT_EQ(LimitedPath(SimdPath::avx512, PathName(path)), path);
}

}  // namespace
}  // namespace sg
