// Numbers of a CSV field, read exactly and fast. Recordings hold millions of plain decimals such
// as "-12.345"; those are read as an integer and a power of ten, which is exact (the integer and
// the power are both exact doubles, and one division rounds correctly) and several times faster
// than a general parser. Anything else (exponents, long mantissas, "inf") goes to std::from_chars.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sgf {

enum class NumberStatus { ok, notANumber, outOfRange };

struct ParsedNumber {
    NumberStatus status;
    double value;
    int decimals;  // places after the point as written, an exponent included ("125e-3" has 3)
};

// A plain decimal ("-12.345") of at most `kMostDigits` digits, read as a `Mantissa` integer over a
// power of ten from `powersOfTen`; false for anything else, which a general parser must read.
// The integer and the power are exact doubles below 2^53, so the one division rounds correctly.
template <class Mantissa, int kMostDigits, std::size_t kPowers>
inline bool parsePlainDecimal(std::string_view text, const double (&powersOfTen)[kPowers], ParsedNumber& number) {
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    const bool negative = cursor < end && *cursor == '-';
    if (negative) ++cursor;
    Mantissa mantissa = 0;
    int digits = 0;
    int decimals = -1;  // no point seen yet
    for (; cursor < end; ++cursor) {
        const auto digit = static_cast<unsigned>(*cursor - '0');
        if (digit <= 9) {
            if (++digits > kMostDigits) return false;
            mantissa = mantissa * 10 + static_cast<Mantissa>(digit);
            if (decimals >= 0) ++decimals;
        } else if (*cursor == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    if (decimals < 0) decimals = 0;
    if (static_cast<uint64_t>(mantissa) > (uint64_t{1} << 53) || decimals >= static_cast<int>(kPowers)) return false;
    const double magnitude = static_cast<double>(mantissa) / powersOfTen[decimals];
    number = {NumberStatus::ok, negative ? -magnitude : magnitude, decimals};
    return true;
}

// Any notation, and the plain decimals of more than nine digits.
ParsedNumber parseOtherNumber(std::string_view text);

// The whole of `text` must be the number; a leading '+' is allowed. Inline for the plain decimals
// of up to nine digits that fill recordings, whose integer fits 32 bits (cheap on this target).
inline ParsedNumber parseNumber(std::string_view text) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    ParsedNumber number;
    if (parsePlainDecimal<int32_t, 9>(text, kPowersOfTen, number)) return number;
    return parseOtherNumber(text);
}

}  // namespace sgf
