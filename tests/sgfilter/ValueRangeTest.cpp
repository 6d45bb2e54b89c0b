// A stage's output range comes from its stored values' least and greatest, converted afterwards.
// That must be the range that converting every value gives, bit for bit, for any scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <vector>

#include "recording/ValueRange.h"

namespace sgf {
namespace {

TEST(ValueRange, TheStoredEndsConvertedAreTheEndsOfEveryValueConverted) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> stored(-1.0f, 1.0f);
    const UnitsConversion conversions[] = {{0.1, 0.0}, {-0.1, 0.0}, {3.3e-7, -1.5}, {-250.0, 1e3}, {0.0, 4.0}};
    for (const UnitsConversion& conversion : conversions) {
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<float> values(1 + trial * 37);
            for (float& value : values) value = stored(random);
            if (trial % 3 == 0) values[trial % values.size()] = -0.0f;
            // In pieces, as blocks arrive.
            ValueRange storedRange;
            for (std::size_t first = 0; first < values.size(); first += 50) {
                ValueRange block;
                widenValueRange(block, std::span(values).subspan(first, std::min<std::size_t>(50, values.size() - first)),
                                kStoredValues);
                widenValueRange(storedRange, block);
            }
            ValueRange expected;
            widenValueRange(expected, values, conversion);
            const ValueRange range = inUnits(storedRange, conversion);
            EXPECT_EQ(std::bit_cast<uint64_t>(range.least), std::bit_cast<uint64_t>(expected.least))
                << conversion.scale << " " << trial;
            EXPECT_EQ(std::bit_cast<uint64_t>(range.greatest), std::bit_cast<uint64_t>(expected.greatest))
                << conversion.scale << " " << trial;
        }
    }
    // No value at all: an empty range, whatever the scale.
    const ValueRange none = inUnits({}, {-2.0, 1.0});
    EXPECT_GT(none.least, none.greatest);
}

}  // namespace
}  // namespace sgf
