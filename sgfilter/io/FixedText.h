// Numbers in fixed notation as std::to_chars writes them, fast enough for millions of values per
// second: the text a recording's columns get, no locale, no allocation.
#pragma once

#include <cstddef>

namespace sgf {

// Room that writeFixed may take for `decimals` places; values beyond it are written in the
// shortest exponent form, which is shorter.
constexpr std::size_t fixedTextRoom(int decimals) { return 340 + static_cast<std::size_t>(decimals); }

// Writes `value` with `decimals` places (0 to 100) at `out` and returns the end: exactly the
// text of std::to_chars with std::chars_format::fixed, except that a value which rounds to zero
// has no minus sign ("-0.00" in a column of measurements reads as a data error). A value too
// large for fixed notation in the room is written in the shortest form, with its exponent.
char* writeFixed(char* out, double value, int decimals);

}  // namespace sgf
