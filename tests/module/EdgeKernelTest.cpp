// The edge kernels: every vector kernel the processor can run gives the plain loop's bits for
// every window width and number of positions, reading each position's column where the table
// holds it; none writes past its positions or reads past the table.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "module/filter/CentreKernelChoice.h"
#include "module/filter/EdgeKernel.h"

#include "KernelPaths.h"

namespace sg {
namespace {

TEST(EdgeKernelTest, EveryVectorKernelGivesThePlainLoopsBitsColumnByColumn) {
    std::mt19937 random(19);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (SimdPath path : PathsHere(SimdPath::sse2)) {
        for (int32_t width : {5, 6, 25, 51, 200, 201}) {
            const int32_t m = (width - 1) / 2;
            const int32_t taps = 2 * m + 1;
            // The table exactly as large as a weight table: a vector read past its last row would
            // leave the allocation (AddressSanitizer sees it).
            std::vector<double> table(static_cast<std::size_t>(width) * width);
            for (double& w : table) w = static_cast<double>(unit(random)) / taps;
            std::vector<float> window(static_cast<std::size_t>(taps));
            for (float& x : window) x = unit(random) * (random() % 7 == 0 ? 1e30f : 1.0f);
            // The left edge (columns 0 .. count - 1) and the right edge (columns m + 1 .. 2m), and
            // position counts around every pass.
            for (int32_t count = 1; count <= m; ++count) {
                for (int32_t firstColumn : {0, taps - count}) {
                    SCOPED_TRACE(std::string(PathName(path)) + " width " + std::to_string(width) + " count " +
                                 std::to_string(count) + " from column " + std::to_string(firstColumn));
                    const EdgeZone zone{.source = window.data(), .weights = table.data() + firstColumn,
                                        .stride = width, .taps = taps, .count = count, .scales = {.inputScale = 0.37,
                                        .inputOffset = -12.5, .outputOffset = 3.0, .outputScale = 250.0},
                                        .output = nullptr};
                    ASSERT_EQ(GuardedOutputs(EdgeKernelFor(path), zone), GuardedOutputs(FilterEdgePlain, zone));
                }
            }
        }
    }
}

TEST(EdgeKernelTest, ThePlainLoopWeighsTheSharedWindowWithEachPositionsColumn) {
    const std::vector<float> window = {1.0f, 2.0f, 4.0f};
    // Rows are samples, columns positions: position 0 weighs with 1, 0, -1; position 1 with 0.5, 0.5, 0.5.
    const std::vector<double> table = {1.0, 0.5, 9.0, 0.0, 0.5, 9.0, -1.0, 0.5, 9.0};
    float output[2] = {};
    FilterEdgePlain({.source = window.data(), .weights = table.data(), .stride = 3, .taps = 3, .count = 2,
                     .scales = {.inputScale = 2.0, .inputOffset = 1.0, .outputOffset = 0.5, .outputScale = 2.0},
                     .output = output});
    // Converted: 3, 5, 9.
    EXPECT_EQ(output[0], static_cast<float>((3.0 - 9.0 - 0.5) * 2.0));
    EXPECT_EQ(output[1], static_cast<float>((1.5 + 2.5 + 4.5 - 0.5) * 2.0));
}

}  // namespace
}  // namespace sg
