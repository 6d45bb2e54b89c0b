#include "io/FixedText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace sgf {

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr uint32_t kIntegerPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
// Adding and taking away 2^52 rounds a smaller non-negative double to an integer, half to even,
// in the default rounding mode: what nearbyint does, without the library call that saves and
// restores the floating-point environment (most of the time of a long output on this target).
constexpr double kRoundingShift = 4503599627370496.0;
constexpr double kLargestCount = 4294967295.0;
// The scaled value carries at most half an ulp of rounding error, and an ulp is at most 2^-52 of
// it; a margin above that from a half tells that the exact decimal value rounds the same way.
constexpr double kRelativeUlp = 2.3e-16;

char* standardFixed(char* out, double value, int decimals) {
    char* const limit = out + kFixedTextRoom;
    auto [end, error] = std::to_chars(out, limit, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) end = std::to_chars(out, limit, value).ptr;
    if (out[0] == '-' && std::all_of(out + 1, end, [](char character) { return character == '0' || character == '.'; })) {
        std::memmove(out, out + 1, static_cast<std::size_t>(end - out - 1));
        --end;
    }
    return end;
}

// The count of the last place as whole part, point and exactly `decimals` places.
char* writeCount(char* out, uint32_t count, int decimals) {
    const uint32_t unit = kIntegerPowersOfTen[decimals];
    const uint32_t whole = count / unit;
    uint32_t fraction = count - whole * unit;
    out = std::to_chars(out, out + 10, whole).ptr;
    if (decimals == 0) return out;
    *out = '.';
    char* const end = out + 1 + decimals;
    for (char* place = end; place > out + 1; fraction /= 10) *--place = static_cast<char>('0' + fraction % 10);
    return end;
}

}  // namespace

char* writeFixed(char* out, double value, int decimals) {
    if (decimals < 0 || decimals >= static_cast<int>(std::size(kPowersOfTen))) {
        return standardFixed(out, value, decimals);
    }
    const double scaled = std::fabs(value) * kPowersOfTen[decimals];
    if (!(scaled <= kLargestCount)) return standardFixed(out, value, decimals);  // NaN included
    const double count = (scaled + kRoundingShift) - kRoundingShift;
    // Near a half the product's rounding may have moved the value across it: the exact path decides.
    if (0.5 - std::fabs(scaled - count) <= scaled * kRelativeUlp) return standardFixed(out, value, decimals);
    if (std::signbit(value) && count != 0.0) *out++ = '-';
    return writeCount(out, static_cast<uint32_t>(count), decimals);
}

}  // namespace sgf
