// The fast number paths of the CSV reader and writer agree with the standard library's exact ones.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>

#include "csv/NumberParsing.h"
#include "io/AtomicOutputFile.h"
#include "io/BufferedWriter.h"
#include "sgfilter/TempFolder.h"

namespace sgf {
namespace {

double standardParse(const std::string& text) {
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TEST(NumberParsing, ReadsEveryNotationExactlyAsTheStandardLibrary) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 20000; ++trial) {
        const int places = static_cast<int>(random() % 12);
        const double magnitude = std::pow(10.0, static_cast<int>(random() % 14) - 4);
        const double value = (static_cast<double>(random()) / 4294967296.0 - 0.5) * magnitude;
        char text[64];
        char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, places).ptr;
        const std::string written(text, end);
        const ParsedNumber parsed = parseNumber(written);
        ASSERT_EQ(parsed.status, NumberStatus::ok) << written;
        ASSERT_EQ(parsed.value, standardParse(written)) << written;
        ASSERT_EQ(parsed.decimals, places) << written;
    }
    for (const char* written :
         {"1e-3", "-2.5E+2", "12345678901234567890.5", "0.1234567890123456789012345", ".5", "5.", "-0", "+7.25",
          "999999999", "-99999.9999", "1234567890", "0.0000000001", "9007199254740993", "-2147483648"}) {
        const ParsedNumber parsed = parseNumber(written);
        EXPECT_EQ(parsed.status, NumberStatus::ok) << written;
        EXPECT_EQ(parsed.value, standardParse(written[0] == '+' ? written + 1 : written)) << written;
    }
    EXPECT_EQ(parseNumber("1e-3").decimals, 3);
    EXPECT_EQ(parseNumber("-2.5E+2").decimals, 0);
    EXPECT_TRUE(std::signbit(parseNumber("-0").value));
    EXPECT_EQ(parseNumber("-99999.9999").decimals, 4);
    EXPECT_EQ(parseNumber("0.0000000001").decimals, 10);
}

TEST(NumberParsing, TellsWhatIsNotANumber) {
    for (const char* written : {"", "-", "+", "1.2.3", "1-2", "abc", "0x10", "--1", "+-1", "1 2", "."}) {
        EXPECT_EQ(parseNumber(written).status, NumberStatus::notANumber) << written;
    }
    EXPECT_EQ(parseNumber("1e999").status, NumberStatus::outOfRange);
}

std::string written(const std::vector<std::pair<double, int>>& values) {
    testing::TempFolder folder;
    {
        AtomicOutputFile file(folder / "n.txt");
        BufferedWriter writer(file);
        for (const auto& [value, decimals] : values) {
            writer.appendFixed(value, decimals);
            writer.append(' ');
        }
        writer.flush();
        file.commit();
    }
    return testing::readText(folder / "n.txt");
}

// The classic C formatting (exact, halves to even) with the writer's one difference: no "-0.00".
std::string printfFixed(double value, int decimals) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const std::string printed(text);
    const bool negativeZero = printed[0] == '-' && printed.find_first_not_of("-0.") == std::string::npos;
    return negativeZero ? printed.substr(1) : printed;
}

void expectWrittenAsPrintf(const std::vector<std::pair<double, int>>& values) {
    std::string expected;
    for (const auto& [value, decimals] : values) expected += printfFixed(value, decimals) + " ";
    EXPECT_EQ(written(values), expected);
}

TEST(BufferedWriter, WritesFixedNotationAsTheStandardLibrary) {
    std::mt19937 random(11);
    std::vector<std::pair<double, int>> values;
    for (int trial = 0; trial < 20000; ++trial) {
        const int decimals = static_cast<int>(random() % 8);
        const double magnitude = std::pow(10.0, static_cast<int>(random() % 12) - 5);
        values.emplace_back((static_cast<double>(random()) / 4294967296.0 - 0.5) * magnitude, decimals);
    }
    // Stored float32 values brought into units, as the output columns hold them.
    for (int trial = 0; trial < 20000; ++trial) {
        const auto stored = static_cast<float>(static_cast<double>(random()) / 2147483648.0 - 1.0);
        values.emplace_back(static_cast<double>(stored) * 115.2 + 3.0, static_cast<int>(random() % 7));
    }
    expectWrittenAsPrintf(values);
}

TEST(BufferedWriter, RoundsHalvesAndTheirNeighboursExactly) {
    // A half of the last place exactly (k + 1/2) / 10^d where it is a double, and the doubles on
    // either side of it, whose scaled product may land on the half itself.
    std::mt19937 random(5);
    std::vector<std::pair<double, int>> values;
    for (int decimals = 0; decimals <= 6; ++decimals) {
        for (int trial = 0; trial < 3000; ++trial) {
            const double half = (static_cast<double>(random() % 2000000) + 0.5) / std::pow(10.0, decimals);
            const double sign = trial % 2 == 0 ? 1.0 : -1.0;
            for (const double value : {half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)}) {
                values.emplace_back(sign * value, decimals);
            }
        }
        for (const double exact : {0.5, 2.5, 0.125, 0.375, 1.0625, 4294967295.5, 1.005, 2.675}) {
            values.emplace_back(exact, decimals);
        }
    }
    expectWrittenAsPrintf(values);
}

TEST(BufferedWriter, WritesNoNegativeZeroAndFallsBackForHugeValues) {
    EXPECT_EQ(written({{-0.0004, 3}, {-0.0, 0}, {-0.0006, 3}, {0.125, 2}, {0.375, 2}, {1e20, 2}, {-3.0, 0}}),
              "0.000 0 -0.001 0.12 0.38 100000000000000000000.00 -3 ");
    EXPECT_EQ(written({{1e300, 2}, {-1e300, 0}, {HUGE_VAL, 3}, {-HUGE_VAL, 1}, {4294967296.25, 1}}),
              "1e+300 -1e+300 inf -inf 4294967296.2 ");
}

}  // namespace
}  // namespace sgf
