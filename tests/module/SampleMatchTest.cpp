// The comparison of samples on every path this processor runs says what memcmp says: for every
// length up to past a few vectors, equal runs of random bit patterns (NaNs among them), and runs
// that differ in one bit at each place, from addresses at every offset within a vector.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <vector>

#include "module/filter/CentreKernelChoice.h"

#include "KernelPaths.h"

namespace sg {
namespace {

TEST(SampleMatchTest, EveryPathSaysWhatMemcmpSays) {
    std::mt19937 random(11);
    std::uniform_int_distribution<uint32_t> bits;
    std::vector<float> a(100), b(100);
    for (float& x : a) x = std::bit_cast<float>(bits(random));
    for (SimdPath path : PathsHere(SimdPath::plain)) {
        const SampleMatch match = SampleMatchFor(path);
        for (int32_t offset = 0; offset <= 16; ++offset) {
            for (int32_t count = 0; count + offset <= 86; ++count) {
                SCOPED_TRACE(std::string(PathName(path)) + ", " + std::to_string(count) + " samples at " +
                             std::to_string(offset));
                b = a;
                EXPECT_TRUE(match(a.data() + offset, b.data() + offset, count));
                for (int32_t at = 0; at < count; ++at) {
                    b = a;
                    const uint32_t flipped = std::bit_cast<uint32_t>(b[offset + at]) ^ (1u << (at % 32));
                    b[offset + at] = std::bit_cast<float>(flipped);
                    ASSERT_FALSE(match(a.data() + offset, b.data() + offset, count)) << "differs at " << at;
                }
                // Past the count nothing counts.
                b = a;
                b[offset + count] = std::bit_cast<float>(~std::bit_cast<uint32_t>(b[offset + count]));
                EXPECT_TRUE(match(a.data() + offset, b.data() + offset, count));
            }
        }
    }
}

}  // namespace
}  // namespace sg
