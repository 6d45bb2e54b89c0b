// Puts a recording into the host's recording model: blocks as planned, one channel per column
// with the raw scaling given for it, and, where the samples were staged, the samples stored as
// normalised float32 values one block at a time, in order.
#pragma once

#include <cstdint>
#include <vector>

#include "csv/CsvSummary.h"
#include "recording/BlockPlan.h"
#include "refhost/Recording.h"
#include "staging/StagedRows.h"

namespace sgf {

// The channels' numbers in the host, in column order.
std::vector<int16_t> describeToHost(const CsvSummary& summary, const std::vector<sg::ChannelScaling>& scalings,
                                    double sampleInterval, const BlockPlan& plan, refhost::Recording& recording);
// The staged channels' samples; the others' blocks are unavailable, as nothing reads them.
void loadSamples(const StagedRows& rows, const std::vector<sg::ChannelScaling>& scalings, const BlockPlan& plan,
                 const std::vector<int16_t>& channels, refhost::Recording& recording);
// Blocks of a channel that the host does not hand to the module.
void makeUnavailable(refhost::Recording& recording, int16_t channel);

}  // namespace sgf
