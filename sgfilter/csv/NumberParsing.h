// Numbers of a CSV field, read exactly and fast. Recordings hold millions of plain decimals such
// as "-12.345"; those are read as an integer and a power of ten, which is exact (the integer and
// the power are both exact doubles, and one division rounds correctly) and several times faster
// than a general parser. Anything else (exponents, long mantissas, "inf") goes to std::from_chars.
#pragma once

#include <cstdint>
#include <string_view>

namespace sgf {

enum class NumberStatus { ok, notANumber, outOfRange };

struct ParsedNumber {
    NumberStatus status;
    double value;
    int decimals;  // places after the point as written, an exponent included ("125e-3" has 3)
};

// Any notation, and the plain decimals of more than nine digits.
ParsedNumber parseOtherNumber(std::string_view text);

// The whole of `text` must be the number; a leading '+' is allowed. Inline for the plain decimals
// of up to nine digits that fill recordings, whose integer fits 32 bits (cheap on this target).
inline ParsedNumber parseNumber(std::string_view text) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    const bool negative = cursor < end && *cursor == '-';
    if (negative) ++cursor;
    int32_t mantissa = 0;
    int digits = 0;
    int decimals = -1;  // no point seen yet
    for (; cursor < end; ++cursor) {
        const auto digit = static_cast<unsigned>(*cursor - '0');
        if (digit <= 9) {
            if (++digits > 9) return parseOtherNumber(text);
            mantissa = mantissa * 10 + static_cast<int32_t>(digit);
            if (decimals >= 0) ++decimals;
        } else if (*cursor == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return parseOtherNumber(text);
        }
    }
    if (digits == 0) return parseOtherNumber(text);
    if (decimals < 0) decimals = 0;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    return {NumberStatus::ok, negative ? -magnitude : magnitude, decimals};
}

}  // namespace sgf
