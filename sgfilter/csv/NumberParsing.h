// Numbers of a CSV field, read exactly and fast. Recordings hold millions of plain decimals such
// as "-12.345"; those are read as an integer and a power of ten, which is exact (the integer and
// the power are both exact doubles, and one division rounds correctly) and several times faster
// than a general parser. Anything else (exponents, long mantissas, "inf") goes to std::from_chars.
#pragma once

#include <string_view>

namespace sgf {

enum class NumberStatus { ok, notANumber, outOfRange };

struct ParsedNumber {
    NumberStatus status;
    double value;
    int decimals;  // places after the point as written, an exponent included ("125e-3" has 3)
};

// The whole of `text` must be the number; a leading '+' is allowed.
ParsedNumber parseNumber(std::string_view text);

}  // namespace sgf
