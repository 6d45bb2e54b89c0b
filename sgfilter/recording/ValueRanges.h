// The least and greatest value in units of a channel, from one pass over its finished blocks: the
// stages are done before an EDF+ or BDF+ header is written, so its ranges can hold every value.
// A stage's output needs no such pass: its range is gathered as its blocks are computed.
#pragma once

#include "recording/BlockPlan.h"
#include "output/ResultChannel.h"
#include "recording/Scalings.h"
#include "recording/ValueRange.h"
#include "refhost/Recording.h"

namespace sgf {

// In units by `conversion`. A NaN counts for neither end (no range holds it; the writer refuses it
// by name).
ValueRange valueRangeOf(const refhost::Recording& recording, const BlockPlan& plan, const ResultChannel& channel,
                        const UnitsConversion& conversion);

}  // namespace sgf
