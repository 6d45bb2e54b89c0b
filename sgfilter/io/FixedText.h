// Numbers in fixed notation as std::to_chars writes them, fast enough for millions of values per
// second: the text a recording's columns get, no locale, no allocation.
#pragma once

#include <cstddef>

namespace sgf {

// The most text writeFixed writes for one value.
constexpr std::size_t kFixedTextRoom = 64;

// Writes `value` with `decimals` places (0 to 50) at `out` and returns the end: exactly the
// text of std::to_chars with std::chars_format::fixed, except that a value which rounds to zero
// has no minus sign ("-0.00" in a column of measurements reads as a data error). A value whose
// fixed text would not fit the room is written in the shortest form, with its exponent.
char* writeFixed(char* out, double value, int decimals);

}  // namespace sgf
