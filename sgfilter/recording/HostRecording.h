// Moves a recording's staged rows into the host's recording model: one channel per column with
// the raw scaling given for it, blocks as planned, and the samples stored as normalised float32 values, one
// block at a time, in order.
#pragma once

#include <vector>

#include "csv/CsvSummary.h"
#include "recording/BlockPlan.h"
#include "refhost/Recording.h"
#include "staging/StagedRows.h"

namespace sgf {

void loadIntoHost(const CsvSummary& summary, const std::vector<sg::ChannelScaling>& scalings, double sampleInterval, const BlockPlan& plan, const StagedRows& rows,
                  refhost::Recording& recording);

}  // namespace sgf
