#include <gtest/gtest.h>

#include <cstring>

#include "csv/CsvScaling.h"
#include "recording/Scalings.h"
#include "refhost/Scaling.h"

namespace sgf {
namespace {

TEST(Scalings, RawScalingPutsTheLargestMagnitudeAtFullScale) {
    const ChannelColumn column{"p", "mmHg", 130.0, 2};
    const sg::ChannelScaling scaling = rawScalingFor(column);
    EXPECT_EQ(scaling.hasConversion, 0);
    EXPECT_EQ(scaling.baseFactor, 1.0);
    EXPECT_EQ(unitsTextOf(scaling), "mmHg");
    EXPECT_EQ(scaling.decimals, 2);
    EXPECT_EQ(storedValue(130.0, unitsConversionOf(scaling)), 0.9765625f);
    EXPECT_EQ(storedValue(-130.0, unitsConversionOf(scaling)), -0.9765625f);
    EXPECT_NEAR(unitsConversionOf(scaling).toUnits(storedValue(61.37, unitsConversionOf(scaling))), 61.37, 1e-5);
}

TEST(Scalings, AnAllZeroChannelStillHasAUsableScaling) {
    const sg::ChannelScaling scaling = rawScalingFor({"z", "", 0.0, 0});
    EXPECT_GT(scaling.nativeFactor, 0.0);
    EXPECT_EQ(storedValue(0.0, unitsConversionOf(scaling)), 0.0f);
}

TEST(Scalings, ConvertsStoredValuesInEitherForm) {
    const UnitsConversion native = unitsConversionOf(refhost::nativeScaling(4.0, "V", 1));
    EXPECT_EQ(native.toUnits(0.5f), 2.0);
    const UnitsConversion converted = unitsConversionOf(refhost::convertedScaling(2.0, 3.0, 1.0, "mV", 1));
    EXPECT_EQ(converted.toUnits(0.5f), 0.5 * 2.0 * 3.0 + 1.0);
    EXPECT_EQ(unitsTextOf(refhost::convertedScaling(2.0, 3.0, 1.0, "mV", 1)), "mV");
}

TEST(Scalings, AComputedChannelTakesTheModulesAnswerAndTheSourcesNativeFields) {
    const sg::ChannelScaling source = refhost::nativeScaling(133.12, "mmHg", 2);
    sg::ChannelScaling answered = refhost::convertedScaling(7.0, 0.5, 0.0, "mmHg.s^-1_", 4);
    std::array<uint8_t, sg::kOutputScalingSize> answer{};
    std::memcpy(answer.data(), &answered, answer.size());

    const sg::ChannelScaling merged = computedChannelScaling(answer, source);
    EXPECT_EQ(merged.hasConversion, 1);
    EXPECT_EQ(merged.decimals, 4);
    EXPECT_EQ(unitsTextOf(merged), "mmHg.s^-1_");
    EXPECT_EQ(merged.baseFactor, 1.0);  // the source's, not the 7 beyond the answered bytes
    EXPECT_EQ(merged.nativeFactor, 133.12);
    EXPECT_EQ(unitsConversionOf(merged).toUnits(1.0f), 0.5);
}

}  // namespace
}  // namespace sgf
