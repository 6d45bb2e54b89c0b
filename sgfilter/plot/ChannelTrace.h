// A channel of the host's recording as a plot trace: its values in units, decimated per pixel
// column, with a break at every run boundary.
#pragma once

#include <string>
#include <vector>

#include "plot/SvgPlot.h"
#include "recording/BlockPlan.h"
#include "recording/Scalings.h"
#include "refhost/Recording.h"

namespace sgf {

struct TracedChannel {
    refhost::DataKind kind;
    int16_t channel;
    UnitsConversion conversion;
    std::string label;
    std::string units;
};

PlotTrace channelTrace(const refhost::Recording& recording, const TracedChannel& traced,
                       const std::vector<double>& times, const std::vector<PlannedBlock>& blocks);

}  // namespace sgf
