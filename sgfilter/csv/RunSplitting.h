// Where a CSV recording's data is contiguous. The sample interval comes from the time column; a
// step that is not one interval, or a break between rows (a blank line), ends a run of contiguous
// data, and no filter window reaches across that boundary.
#pragma once

#include <cstddef>

#include "input/RunLayout.h"
#include "staging/TimeColumn.h"

namespace sgf {

// Throws InputError when no two rows follow each other, so the interval cannot be known, or when
// the data breaks into more than `mostRuns` runs.
RunLayout splitIntoRuns(const TimeColumn& times, std::size_t mostRuns);

}  // namespace sgf
