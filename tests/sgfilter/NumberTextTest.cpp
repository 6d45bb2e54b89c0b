// The fast number paths of the CSV reader and writer agree with the standard library's exact ones.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
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
         {"1e-3", "-2.5E+2", "12345678901234567890.5", "0.1234567890123456789012345", ".5", "5.", "-0", "+7.25"}) {
        const ParsedNumber parsed = parseNumber(written);
        EXPECT_EQ(parsed.status, NumberStatus::ok) << written;
        EXPECT_EQ(parsed.value, standardParse(written[0] == '+' ? written + 1 : written)) << written;
    }
    EXPECT_EQ(parseNumber("1e-3").decimals, 3);
    EXPECT_EQ(parseNumber("-2.5E+2").decimals, 0);
    EXPECT_TRUE(std::signbit(parseNumber("-0").value));
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

TEST(BufferedWriter, WritesFixedNotationAsTheStandardLibrary) {
    std::mt19937 random(11);
    std::vector<std::pair<double, int>> values;
    std::string expected;
    for (int trial = 0; trial < 20000; ++trial) {
        const int decimals = static_cast<int>(random() % 8);
        const double magnitude = std::pow(10.0, static_cast<int>(random() % 12) - 5);
        const double value = (static_cast<double>(random()) / 4294967296.0 - 0.5) * magnitude;
        char text[400];
        char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
        std::string standard(text, end);
        if (standard.find_first_not_of("-0.") == std::string::npos && standard[0] == '-') standard.erase(0, 1);
        values.emplace_back(value, decimals);
        expected += standard + " ";
    }
    EXPECT_EQ(written(values), expected);
}

TEST(BufferedWriter, WritesNoNegativeZeroAndFallsBackForHugeValues) {
    EXPECT_EQ(written({{-0.0004, 3}, {-0.0, 0}, {-0.0006, 3}, {0.125, 2}, {0.375, 2}, {1e20, 2}, {-3.0, 0}}),
              "0.000 0 -0.001 0.12 0.38 100000000000000000000.00 -3 ");
}

}  // namespace
}  // namespace sgf
