// The outputs and the plot from one pass over the finished blocks, in order: each block's times
// and values are read once and go to the CSV writer and to every plot trace, so nothing the
// length of the recording is held.
#pragma once

#include <cstdint>
#include <vector>

#include "csv/CsvWriter.h"
#include "plot/ChannelTrace.h"
#include "recording/BlockPlan.h"
#include "refhost/Recording.h"
#include "staging/StagedRows.h"

namespace sgf {

// `outputChannels` are the computed channels of the CSV's columns, in order.
void writeResults(const refhost::Recording& recording, const BlockPlan& plan, const StagedRows& rows,
                  const std::vector<int16_t>& outputChannels, CsvWriter& csv, std::vector<ChannelTrace>& traces);

}  // namespace sgf
