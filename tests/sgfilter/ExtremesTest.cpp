// Extremes and NaNs four lanes at a time against the plain loop, bit for bit: every length around
// the lanes' width, NaNs anywhere, and zeros of both signs in either order.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "util/Extremes.h"

namespace sgf::testing {
namespace {

void expectSameAsPlainLoop(const std::vector<float>& values) {
    EXPECT_EQ(holdsNaN(values), std::ranges::any_of(values, [](float value) { return std::isnan(value); })) << values.size() << " values";
    const Extremes plain = extremesInOrder(values);
    const Extremes fast = extremesOf(values);
    EXPECT_EQ(std::bit_cast<uint32_t>(fast.least), std::bit_cast<uint32_t>(plain.least)) << values.size() << " values";
    EXPECT_EQ(std::bit_cast<uint32_t>(fast.greatest), std::bit_cast<uint32_t>(plain.greatest)) << values.size() << " values";
}

TEST(ExtremesTest, FourLanesGiveThePlainLoopsBits) {
    std::mt19937 random(20261209);
    const float kinds[] = {0.0F, -0.0F, NAN, 1.5F, -2.25F, INFINITY, -INFINITY, 1e-40F};
    for (std::size_t length = 0; length <= 67; ++length) {
        for (int trial = 0; trial < 200; ++trial) {
            std::vector<float> values(length);
            for (float& value : values) {
                // Mostly ordinary values, with the awkward ones often enough to meet in every lane.
                const unsigned pick = random() % 16;
                value = pick < 8 ? kinds[pick] : std::ldexp(static_cast<float>(random() % 2001) - 1000.0F, -static_cast<int>(random() % 8));
            }
            expectSameAsPlainLoop(values);
        }
    }
}

TEST(ExtremesTest, AStretchWithoutANumberHoldsNoValues) {
    EXPECT_FALSE(extremesOf(std::vector<float>(9, NAN)).holdsValues());
    EXPECT_FALSE(extremesOf(std::vector<float>{}).holdsValues());
    const Extremes one = extremesOf(std::vector<float>{NAN, NAN, NAN, NAN, 3.0F, NAN});
    EXPECT_EQ(one.least, 3.0F);
    EXPECT_EQ(one.greatest, 3.0F);
}

}  // namespace
}  // namespace sgf::testing
