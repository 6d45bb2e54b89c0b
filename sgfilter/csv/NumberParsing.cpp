#include "csv/NumberParsing.h"

#include <charconv>
#include <cstdint>

namespace sgf {

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Places after the point of a number in any notation that from_chars reads.
int writtenDecimals(std::string_view number) {
    const auto exponentAt = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, exponentAt);
    const auto point = mantissa.find('.');
    int places = point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    if (exponentAt != std::string_view::npos) {
        int exponent = 0;
        std::string_view text = number.substr(exponentAt + 1);
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        std::from_chars(text.data(), text.data() + text.size(), exponent);
        places -= exponent;
    }
    return places < 0 ? 0 : places;
}

ParsedNumber generalNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return {NumberStatus::outOfRange, 0.0, 0};
    if (error != std::errc() || end != text.data() + text.size()) return {NumberStatus::notANumber, 0.0, 0};
    return {NumberStatus::ok, value, writtenDecimals(text)};
}

}  // namespace

ParsedNumber parseOtherNumber(std::string_view text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    // Up to 18 digits still fit the 64-bit integer.
    ParsedNumber number;
    if (parsePlainDecimal<uint64_t, 18>(text, kPowersOfTen, number)) return number;
    return generalNumber(text);
}

}  // namespace sgf
