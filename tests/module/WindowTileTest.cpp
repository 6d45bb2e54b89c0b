// The tile of windows that cross a block boundary: whatever each window read, in whatever order
// the cursor handed the samples over, every output is the plain loop's sum over exactly the
// samples that window read: whole windows through the kernels, windows cut short or that read a
// sample other than an earlier window's at the same index summed alone.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <vector>

#include "module/filter/CentreKernelChoice.h"
#include "module/filter/WindowTile.h"

#include "KernelPaths.h"

namespace sg {
namespace {

constexpr SampleScales kScales{.inputScale = 0.5, .inputOffset = 0.25, .outputOffset = -1.0, .outputScale = 3.0};

// The plain loop's output over the samples a window read, row by row.
float PlainSum(const std::vector<float>& read, const double* column, int32_t stride) {
    double sum = 0.0;
    for (std::size_t row = 0; row < read.size(); ++row)
        sum = sum + (static_cast<double>(read[row]) * kScales.inputScale + kScales.inputOffset) *
                        column[static_cast<std::ptrdiff_t>(row) * stride];
    return static_cast<float>((sum - kScales.outputOffset) * kScales.outputScale);
}

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

struct Table {
    int32_t width;
    std::vector<double> weights;
    std::vector<double> centre;  // column m, contiguous
};

Table RandomTable(std::mt19937& random, int32_t width) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Table table{width, std::vector<double>(static_cast<std::size_t>(width) * width), {}};
    for (double& w : table.weights) w = unit(random) / width;
    const int32_t m = (width - 1) / 2;
    for (int32_t row = 0; row < 2 * m + 1; ++row) table.centre.push_back(table.weights[row * width + m]);
    return table;
}

// Centre windows from relative index -40 on, as many as a tile takes, each read in chunks of
// random lengths (the parts of a window in different blocks). The host gave the first window
// nothing, cut the window of `cutOutput` short at its middle, and handed the window of
// `changedOutput` another value at index `changed` than the windows before it read there.
TEST(WindowTileTest, SlidingWindowsGiveThePlainSumsOfWhatEachRead) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (SimdPath path : PathsHere(SimdPath::plain)) {
        for (int32_t width : {5, 24, 201}) {
            SCOPED_TRACE(std::string(PathName(path)) + " width " + std::to_string(width));
            const Table table = RandomTable(random, width);
            const int32_t m = (width - 1) / 2;
            const int32_t taps = 2 * m + 1;
            const int32_t firstStart = -40;
            std::vector<float> signal(static_cast<std::size_t>(WindowTile::kSamples));
            for (float& x : signal) x = unit(random);
            const int32_t emptyOutput = 0, cutOutput = 3, changedOutput = 9, changed = firstStart + 12;
            std::uniform_int_distribution<int32_t> chunkLength(1, taps);
            WindowTile tile(0, firstStart, taps, /*sliding=*/true, SampleMatchFor(path));
            std::vector<float> expected;
            while (tile.HasRoomForAnother()) {
                const int32_t n = tile.Count();
                const int32_t start = tile.NextStart();
                const int32_t end = n == emptyOutput ? start : n == cutOutput ? start + taps / 2 : start + taps;
                std::vector<float> read;
                tile.BeginWindow();
                for (int32_t k = start; k < end;) {
                    const int32_t count = std::min(end - k, chunkLength(random));
                    std::vector<float> values(signal.begin() + (k - firstStart), signal.begin() + (k - firstStart + count));
                    if (n == changedOutput && changed >= k && changed < k + count) values[changed - k] += 1.0f;
                    tile.ReadChunk(k, values.data(), count);
                    read.insert(read.end(), values.begin(), values.end());
                    k += count;
                }
                tile.EndWindow(table.centre.data(), 1, kScales);
                expected.push_back(PlainSum(read, table.centre.data(), 1));
            }
            std::vector<float> output(expected.size() + 8, 99.0f);
            tile.StoreSliding(KernelFor(path), table.centre.data(), kScales, output.data());
            for (std::size_t n = 0; n < expected.size(); ++n)
                ASSERT_EQ(Bits(output[n]), Bits(expected[n])) << "output " << n;
            for (std::size_t n = expected.size(); n < output.size(); ++n) EXPECT_EQ(output[n], 99.0f);
        }
    }
}

// Edge windows all start at the same index and weigh with the columns side by side; the cursor
// gave the third window nothing at all (a block the host could not give).
TEST(WindowTileTest, EdgeWindowsTakeOneColumnEachAndAnEmptyWindowOnlyItsOffsets) {
    std::mt19937 random(8);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (SimdPath path : PathsHere(SimdPath::plain)) {
        SCOPED_TRACE(PathName(path));
        const int32_t width = 51, m = 25, taps = 51, firstColumn = m + 1, count = m, firstOutput = 70;
        const Table table = RandomTable(random, width);
        std::vector<float> window(taps);
        for (float& x : window) x = unit(random);
        WindowTile tile(firstOutput, 45, taps, /*sliding=*/false, SampleMatchFor(path));
        std::vector<float> expected;
        for (int32_t i = 0; i < count; ++i) {
            const double* column = table.weights.data() + firstColumn + i;
            // The window's two blocks meet after its 20th sample.
            std::vector<float> read;
            tile.BeginWindow();
            if (i != 2) {
                tile.ReadChunk(45, window.data(), 20);
                tile.ReadChunk(65, window.data() + 20, taps - 20);
                read = window;
            }
            tile.EndWindow(column, width, kScales);
            expected.push_back(PlainSum(read, column, width));
        }
        EXPECT_EQ(expected[2], static_cast<float>((0.0 - kScales.outputOffset) * kScales.outputScale));
        std::vector<float> output(firstOutput + count, 0.0f);
        tile.StoreFixed(EdgeKernelFor(path), table.weights.data() + firstColumn, width, kScales, output.data());
        for (int32_t i = 0; i < count; ++i) ASSERT_EQ(Bits(output[firstOutput + i]), Bits(expected[i])) << i;
    }
}

}  // namespace
}  // namespace sg
