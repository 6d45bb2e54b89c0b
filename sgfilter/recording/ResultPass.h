// The outputs and the plot from one pass over the finished blocks, in order: each block's times
// and values are read once and go to the output writer and to every plot trace, so nothing the
// length of the recording is held. The blocks of every rate read cover the same stretches of time,
// so the pass takes each rate's block of a stretch together.
#pragma once

#include <vector>

#include "plot/ChannelTrace.h"
#include "recording/BlockPlan.h"
#include "recording/StageRunner.h"
#include "output/ResultChannel.h"
#include "output/ResultWriter.h"
#include "input/RowsAtRate.h"
#include "refhost/Recording.h"

namespace sgf {

// `outputChannels` are the output's columns, in order; the writer gets the times of the first's rows.
// `progress` is told after each block written.
void writeResults(const refhost::Recording& recording, const BlockPlan& plan, const std::vector<RowsAtRate>& rates,
                  const std::vector<ResultChannel>& outputChannels, ResultWriter& output,
                  std::vector<ChannelTrace>& traces, const BlockProgress& progress);

}  // namespace sgf
