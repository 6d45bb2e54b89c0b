#include "csv/NumberParsing.h"

#include <charconv>
#include <cstdint>

namespace sgf {

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Mantissas up to 2^53 are exact doubles.
constexpr uint64_t kExactMantissaLimit = uint64_t{1} << 53;

bool isDigit(char character) { return character >= '0' && character <= '9'; }

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
    const bool negative = !text.empty() && text.front() == '-';
    const char* cursor = text.data() + (negative ? 1 : 0);
    const char* const end = text.data() + text.size();

    uint64_t mantissa = 0;
    int digits = 0;
    int decimals = -1;  // no point seen yet
    for (; cursor < end; ++cursor) {
        if (isDigit(*cursor)) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*cursor - '0');
            if (++digits > 18) return generalNumber(text);  // beyond what the integer can hold
            if (decimals >= 0) ++decimals;
        } else if (*cursor == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return generalNumber(text);
        }
    }
    if (digits == 0) return generalNumber(text);
    decimals = decimals < 0 ? 0 : decimals;
    if (mantissa > kExactMantissaLimit || decimals >= static_cast<int>(std::size(kPowersOfTen))) {
        return generalNumber(text);
    }
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    return {NumberStatus::ok, negative ? -magnitude : magnitude, decimals};
}

}  // namespace sgf
