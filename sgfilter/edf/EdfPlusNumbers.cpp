#include "edf/EdfPlusNumbers.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "util/Errors.h"

namespace sgf {

namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::size_t kFieldWidth = 8;
constexpr double kLongestSeconds = 1e9;  // 31 years

std::string fixedText(double value, std::optional<int> decimals) {
    char buffer[400];  // room for any double in fixed notation, the smallest subnormal included
    const auto result = decimals ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, *decimals)
                                 : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// "12.50" and "12.0" say no more than "12.5" and "12".
std::string withoutTrailingZeros(std::string text) {
    if (text.find('.') == std::string::npos) return text;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

int64_t nanosecondsOf(double seconds) {
    // Far inside int64_t, so that onsets and whole records added to them stay exact.
    if (!(std::fabs(seconds) < kLongestSeconds)) {
        throw UsageError(fmt::format("a time of {} s from the recording's start cannot be written in EDF", seconds));
    }
    return std::llround(seconds * static_cast<double>(kNanosecondsPerSecond));
}

std::string secondsText(int64_t nanoseconds) {
    const auto magnitude = nanoseconds < 0 ? 0 - static_cast<uint64_t>(nanoseconds) : static_cast<uint64_t>(nanoseconds);
    const auto perSecond = static_cast<uint64_t>(kNanosecondsPerSecond);
    return withoutTrailingZeros(fmt::format("{}{}.{:09}", nanoseconds < 0 ? "-" : "", magnitude / perSecond,
                                            magnitude % perSecond));
}

std::optional<std::string> eightCharacterText(double value, bool roundUp) {
    if (!std::isfinite(value)) return std::nullopt;
    const std::string shortest = withoutTrailingZeros(fixedText(value == 0.0 ? 0.0 : value, std::nullopt));
    if (shortest.size() <= kFieldWidth) return shortest;
    for (int decimals = static_cast<int>(kFieldWidth) - 2; decimals >= 0; --decimals) {
        const double scale = std::pow(10.0, decimals);
        double rounded = (roundUp ? std::ceil(value * scale) : std::floor(value * scale)) / scale;
        if (rounded == 0.0) rounded = 0.0;  // no "-0"
        std::string text = withoutTrailingZeros(fixedText(rounded, decimals));
        if (text.size() <= kFieldWidth) return text;
    }
    return std::nullopt;
}

}  // namespace sgf
