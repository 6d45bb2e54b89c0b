// The physical range an EDF+/BDF+ signal is written with: it holds every value, it is written
// exactly in the header's 8 characters, and a unit's prefix changes where the numbers do not fit.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "edf/EdfPhysicalRange.h"
#include "edf/EdfPlusNumbers.h"

namespace sgf::testing {
namespace {

constexpr double kSixteenBits = 65535.0;

TEST(EdfPhysicalRange, HoldsTheValuesWhereTheDisplayRangeIsTooNarrowOrTooWide) {
    // A derivative shown at +-1 uV/s reaching +-2100 uV/s.
    const PhysicalRange derivative = physicalRangeFor("SG d/dt EEG", "uV/s", -2100.3, 2099.7, std::pair(-1.0, 1.0), kSixteenBits);
    EXPECT_EQ(derivative.units, "uV/s");
    EXPECT_EQ(std::pair(derivative.minimum, derivative.maximum), std::pair(-2100.3, 2099.7));
    // A smoothing whose values fill a sixteenth of its source's range gets a step 16 times finer.
    const PhysicalRange smoothed = physicalRangeFor("SG EEG", "uV", -210.0, 190.0, std::pair(-3276.8, 3276.7), kSixteenBits);
    EXPECT_EQ(std::pair(smoothed.minimum, smoothed.maximum), std::pair(-210.0, 190.0));
    // A display range that holds the values and is not much coarser keeps its numbers.
    const PhysicalRange display = physicalRangeFor("SG BP", "mmHg", -110.0, 118.0, std::pair(125.0, -125.0), kSixteenBits);
    EXPECT_EQ(std::pair(display.minimum, display.maximum), std::pair(-125.0, 125.0));
    // A constant gets the display range, or a range around itself.
    const PhysicalRange flat = physicalRangeFor("flat", "V", 0.0, 0.0, std::pair(-5.0, 5.0), kSixteenBits);
    EXPECT_EQ(std::pair(flat.minimum, flat.maximum), std::pair(-5.0, 5.0));
    const PhysicalRange constant = physicalRangeFor("c", "V", 3.0, 3.0, std::nullopt, kSixteenBits);
    EXPECT_LT(constant.minimum, 3.0);
    EXPECT_GT(constant.maximum, 3.0);
}

TEST(EdfPhysicalRange, ChangesTheUnitsPrefixWhereTheNumbersDoNotFitEightCharacters) {
    // A second derivative of a 24-bit ECG: -12,000,000 uV/s^2 has nine characters.
    const PhysicalRange large = physicalRangeFor("SG d2 ECG", "uV/s^2", -1.2e7, 9.5e6, std::nullopt, 16777215.0);
    EXPECT_EQ(large.units, "mV/s^2");
    EXPECT_DOUBLE_EQ(large.unitsPerValue, 1e-3);
    EXPECT_EQ(std::pair(large.minimum, large.maximum), std::pair(-12000.0, 9500.0));
    // mmHg keeps its name; the time below it changes.
    const PhysicalRange perMs = physicalRangeFor("dP/dt", "mmHg/s", -3.5e9, 2e9, std::nullopt, kSixteenBits);
    EXPECT_EQ(perMs.units, "mmHg/ms");
    EXPECT_EQ(std::pair(perMs.minimum, perMs.maximum), std::pair(-3.5e6, 2e6));
    // Values too small for 8 characters' decimals.
    const PhysicalRange small = physicalRangeFor("tiny", "V", -1.234e-7, 2.5e-7, std::nullopt, kSixteenBits);
    EXPECT_NE(small.units, "V");
    EXPECT_NEAR((small.maximum - small.minimum) / small.unitsPerValue, 3.734e-7, 1e-9);
    EXPECT_THROW(physicalRangeFor("percent", "%", -1e12, 1e12, std::nullopt, kSixteenBits), std::runtime_error);
    try {
        physicalRangeFor("percent", "%", -1e12, 1e12, std::nullopt, kSixteenBits);
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("signal \"percent\""), std::string::npos) << error.what();
    }
}

TEST(EdfPhysicalRange, AlwaysHoldsTheValuesInTextThatReadsBackExactly) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> exponent(-10.0, 11.0);
    std::uniform_real_distribution<double> share(-1.0, 1.0);
    for (int trial = 0; trial < 2000; ++trial) {
        const double scale = std::pow(10.0, exponent(random));
        double least = scale * share(random);
        double greatest = least + scale * std::fabs(share(random)) * std::pow(10.0, -3.0 * std::fabs(share(random)));
        const PhysicalRange range = physicalRangeFor("x", "uV/s", least, greatest, std::pair(-scale, scale), kSixteenBits);
        SCOPED_TRACE(fmt::format("{} to {} uV/s as {} to {} {}", least, greatest, range.minimum, range.maximum, range.units));
        // To the rounding of the change of unit.
        EXPECT_LE(range.minimum, least * range.unitsPerValue + 1e-15 * std::fabs(least * range.unitsPerValue));
        EXPECT_GE(range.maximum, greatest * range.unitsPerValue - 1e-15 * std::fabs(greatest * range.unitsPerValue));
        EXPECT_EQ(eightCharacterText(range.minimum, false), eightCharacterText(range.minimum, true));
        EXPECT_EQ(eightCharacterText(range.maximum, true), eightCharacterText(range.maximum, false));
        EXPECT_LE(range.units.size(), 8u);
    }
}

}  // namespace
}  // namespace sgf::testing
