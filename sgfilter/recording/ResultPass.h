// The outputs and the plot from one pass over the finished blocks, in order: each block's times
// and values are read once and go to the output writer and to every plot trace, so nothing the
// length of the recording is held.
#pragma once

#include <cstdint>
#include <vector>

#include "plot/ChannelTrace.h"
#include "recording/BlockPlan.h"
#include "recording/ResultWriter.h"
#include "recording/RowTimes.h"
#include "refhost/Recording.h"

namespace sgf {

// A channel of the output's columns, and whether its recorded or its computed values go there.
struct ResultChannel {
    int16_t channel;
    refhost::DataKind kind;
};

// `outputChannels` are the output's columns, in order.
void writeResults(const refhost::Recording& recording, const BlockPlan& plan, const RowTimes& rows,
                  const std::vector<ResultChannel>& outputChannels, ResultWriter& output,
                  std::vector<ChannelTrace>& traces);

}  // namespace sgf
