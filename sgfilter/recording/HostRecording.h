// Puts a recording into the host's recording model: blocks as planned, rate after rate, one
// channel per column with the raw scaling given for it, and, where the samples were staged, the
// samples stored as normalised float32 values one block at a time, in order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "csv/CsvSummary.h"
#include "recording/BlockPlan.h"
#include "input/RowsAtRate.h"
#include "refhost/Recording.h"
#include "staging/StagedRows.h"

namespace sgf {

// The channels' numbers in the host, in column order. A channel's blocks are available at its own
// rate only (`channelRates`, per column), and nowhere for one at none of `rates`.
std::vector<int16_t> describeToHost(const CsvSummary& summary, const std::vector<sg::ChannelScaling>& scalings,
                                    const std::vector<RowsAtRate>& rates,
                                    const std::vector<std::optional<std::size_t>>& channelRates, const BlockPlan& plan,
                                    refhost::Recording& recording);
// The staged channels' samples, of a recording of one rate; the others' blocks are unavailable, as
// nothing reads them.
void loadSamples(const StagedRows& rows, const std::vector<sg::ChannelScaling>& scalings, const BlockPlan& plan,
                 const std::vector<int16_t>& channels, refhost::Recording& recording);

}  // namespace sgf
