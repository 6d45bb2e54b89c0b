#include "brainvision/SegmentDate.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "util/Text.h"

namespace sgf::brainvision {

namespace {

constexpr std::size_t kDateDigits = 20;

int64_t daysOf(const StartDateTime& date) {
    using namespace std::chrono;
    const year_month_day day{year{date.year}, month{static_cast<unsigned>(date.month)}, std::chrono::day{static_cast<unsigned>(date.day)}};
    return sys_days(day).time_since_epoch().count();
}

int64_t microsecondsOf(const StartDateTime& date) {
    const int64_t seconds = ((daysOf(date) * 24 + date.hour) * 60 + date.minute) * 60 + date.second;
    return seconds * 1'000'000 + std::llround(date.fraction * 1e6);
}

}  // namespace

bool isUnknownDate(std::string_view text) {
    return text.size() == kDateDigits && std::ranges::all_of(text, [](char c) { return c == '0'; });
}

std::optional<StartDateTime> segmentDateOf(std::string_view text) {
    if (text.size() != kDateDigits || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t digits) { return *wholeNumber<int>(text.substr(at, digits)); };
    StartDateTime date;
    date.year = number(0, 4);
    date.month = number(4, 2);
    date.day = number(6, 2);
    date.hour = number(8, 2);
    date.minute = number(10, 2);
    date.second = number(12, 2);
    date.fraction = number(14, 6) / 1e6;
    const std::chrono::year_month_day day{std::chrono::year{date.year}, std::chrono::month{static_cast<unsigned>(date.month)},
                                          std::chrono::day{static_cast<unsigned>(date.day)}};
    // A leap second (60) is not a time the row times could count to.
    if (!day.ok() || date.hour > 23 || date.minute > 59 || date.second > 59) return std::nullopt;
    return date;
}

double secondsBetween(const StartDateTime& from, const StartDateTime& to) {
    return static_cast<double>(microsecondsOf(to) - microsecondsOf(from)) / 1e6;
}

}  // namespace sgf::brainvision
