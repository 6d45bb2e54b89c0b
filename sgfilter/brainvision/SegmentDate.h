// The date of a New Segment marker, YYYYMMDDhhmmssuuuuuu (to the microsecond): when the
// segment's first sample was recorded.
#pragma once

#include <optional>
#include <string_view>

#include "input/StartAndAnnotations.h"

namespace sgf::brainvision {

// Nothing where the text is not such a date; all zeros, which Recorder writes where it knows no
// date, is none either (isUnknownDate).
std::optional<StartDateTime> segmentDateOf(std::string_view text);
bool isUnknownDate(std::string_view text);

// Seconds from `from` to `to`, microseconds exact.
double secondsBetween(const StartDateTime& from, const StartDateTime& to);

}  // namespace sgf::brainvision
