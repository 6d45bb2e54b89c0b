// The least and greatest value in units of each output channel, from one pass over its finished
// blocks: the stages are done before an EDF+ or BDF+ header is written, so its ranges can hold
// every value.
#pragma once

#include <vector>

#include "recording/BlockPlan.h"
#include "recording/ResultChannel.h"
#include "recording/Scalings.h"
#include "recording/ValueRange.h"
#include "refhost/Recording.h"

namespace sgf {

// One per channel, in units by `conversions` (one per channel). A NaN counts for neither end (no
// range holds it; the writer refuses it by name).
std::vector<ValueRange> valueRangesOf(const refhost::Recording& recording, const BlockPlan& plan,
                                      const std::vector<ResultChannel>& channels,
                                      const std::vector<UnitsConversion>& conversions);

}  // namespace sgf
