// Numbers as EDF+ and BDF+ headers and annotation lists write them: decimal text with no exponent,
// times kept in whole nanoseconds so that a record's onset is its run's onset plus whole records
// exactly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sgf {

// Throws UsageError for a time more than 31 years from the start, or not a number.
int64_t nanosecondsOf(double seconds);
// "3.5", "0.001", "-0.25", "12": every digit needed and no more.
std::string secondsText(int64_t nanoseconds);
// The value in at most 8 characters: exactly where its shortest text fits, otherwise rounded down
// (`roundUp` false) or up to the most decimals that fit. Nothing when even its integer digits do not fit.
std::optional<std::string> eightCharacterText(double value, bool roundUp);

}  // namespace sgf
