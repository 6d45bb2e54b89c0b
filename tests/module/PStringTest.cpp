// Length-prefixed string routines: bounded copies, ordering, capped joins (also into one of
// their own inputs) and number texts.
#include <gtest/gtest.h>

#include <string>

#include "PStringText.h"
#include "module/text/PString.h"

namespace sg {
namespace {

PStringValue P(const std::string& text) {
    PStringValue value{};
    value[0] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), value.begin() + 1);
    return value;
}


TEST(PStringCopyBounded, CutsToTheFieldAndKeepsWhatFits) {
    uint8_t field[27];
    field[26] = 0xEE;
    PStringValue thirty = P(std::string(30, 'x'));
    PStringCopyBounded(field, thirty.data(), 26);
    EXPECT_EQ(field[0], 25);
    EXPECT_EQ(Text(field), std::string(25, 'x'));
    EXPECT_EQ(field[26], 0xEE);

    PStringValue twentyFive = P(std::string(24, 'a') + "z");
    PStringCopyBounded(field, twentyFive.data(), 26);
    EXPECT_EQ(Text(field), std::string(24, 'a') + "z");

    field[1] = 0xEE;
    PStringValue empty = P("");
    PStringCopyBounded(field, empty.data(), 26);
    EXPECT_EQ(field[0], 0);
    EXPECT_EQ(field[1], 0xEE) << "only the length byte is written";
}

TEST(PStringCopyBounded, SizeBelowOneWritesNothing) {
    uint8_t field[4] = {9, 9, 9, 9};
    PStringValue text = P("abc");
    PStringCopyBounded(field, text.data(), 0);
    PStringCopyBounded(field, text.data(), -5);
    EXPECT_EQ(field[0], 9);
    EXPECT_EQ(field[1], 9);
}

TEST(PStringCompare, LengthFirstThenUnsignedBytes) {
    EXPECT_GT(PStringCompare(P("ab").data(), P("z").data()), 0);
    EXPECT_LT(PStringCompare(P("z").data(), P("ab").data()), 0);
    EXPECT_EQ(PStringCompare(P("abc").data(), P("abd").data()), -1);
    EXPECT_EQ(PStringCompare(P("same").data(), P("same").data()), 0);
    EXPECT_EQ(PStringCompare(P("").data(), P("").data()), 0);
    PStringValue high = P("a"), low = P("a");
    high[1] = 200;
    low[1] = 100;
    EXPECT_EQ(PStringCompare(high.data(), low.data()), 100);
}

TEST(PStringConcat3, KeepsLeadingInputsAndCutsAtTheLimit) {
    PStringValue result{};
    PStringConcat3(26, result.data(), P(std::string(20, 'a')).data(), P(".").data(), P("0123456789").data());
    EXPECT_EQ(Text(result.data()), std::string(20, 'a') + ".0123");

    PStringConcat3(1, result.data(), P("abc").data(), P("d").data(), P("e").data());
    EXPECT_EQ(result[0], 0);

    PStringValue big = P(std::string(200, 'b'));
    PStringValue at256{}, at300{};
    PStringConcat3(256, at256.data(), big.data(), big.data(), nullptr);
    PStringConcat3(300, at300.data(), big.data(), big.data(), nullptr);
    EXPECT_EQ(at256, at300);
    EXPECT_EQ(at256[0], 255);
}

TEST(PStringConcat3, NullInputsCountAsEmpty) {
    PStringValue result = P("old");
    PStringConcat3(256, result.data(), nullptr, nullptr, nullptr);
    EXPECT_EQ(result[0], 0);
    PStringConcat3(256, result.data(), nullptr, P("mid").data(), nullptr);
    EXPECT_EQ(Text(result.data()), "mid");
}

TEST(PStringConcat3, JoinsIntoOneOfItsOwnInputs) {
    PStringValue units = P("V");
    PStringConcat3(26, units.data(), units.data(), P(".").data(), P("s").data());
    EXPECT_EQ(Text(units.data()), "V.s");

    PStringValue tail = P("end");
    PStringConcat3(256, tail.data(), P("the ").data(), tail.data(), tail.data());
    EXPECT_EQ(Text(tail.data()), "the endend");
}

TEST(PStringConcat3, SizeBelowOneWritesNothing) {
    PStringValue result = P("keep");
    PStringConcat3(0, result.data(), P("a").data(), nullptr, nullptr);
    PStringConcat3(-3, result.data(), P("a").data(), nullptr, nullptr);
    EXPECT_EQ(Text(result.data()), "keep");
}

TEST(PStringConcat5, CapsAt255Characters) {
    PStringValue hundred[5];
    for (int i = 0; i < 5; ++i) hundred[i] = P(std::string(100, static_cast<char>('a' + i)));
    PStringValue result{};
    PStringConcat5(result.data(), hundred[0].data(), hundred[1].data(), hundred[2].data(), hundred[3].data(),
                   hundred[4].data());
    EXPECT_EQ(Text(result.data()), std::string(100, 'a') + std::string(100, 'b') + std::string(55, 'c'));

    PStringConcat5(result.data(), P("s").data(), P("^").data(), P("-").data(), P("2").data(), P("_").data());
    EXPECT_EQ(Text(result.data()), "s^-2_");
}

TEST(NumberToPString, PlainDecimalDigits) {
    EXPECT_EQ(Text(NumberToPString(0).data()), "0");
    EXPECT_EQ(Text(NumberToPString(201).data()), "201");
    EXPECT_EQ(Text(NumberToPString(-17).data()), "-17");
    EXPECT_EQ(Text(NumberToPString(INT32_MIN).data()), "-2147483648");
}

}  // namespace
}  // namespace sg
