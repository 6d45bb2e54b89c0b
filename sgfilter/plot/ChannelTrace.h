// A channel of the host's recording as a plot trace: its values in units, decimated per pixel
// column as the blocks go by, with a break at every run boundary.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "plot/ColumnDecimator.h"
#include "plot/SvgPlot.h"
#include "output/ResultChannel.h"
#include "input/UnitsConversion.h"
#include "input/UnitsText.h"

namespace sgf {

struct TracedChannel {
    ResultChannel values;
    UnitsConversion conversion;
    std::string label;
    std::string units;
};

class ChannelTrace {
public:
    ChannelTrace(TracedChannel traced, double firstTime, double lastTime)
        : traced_(std::move(traced)), decimator_(firstTime, lastTime, kPlotColumns) {}

    const TracedChannel& traced() const { return traced_; }
    // Consecutive samples: their times and stored values.
    void add(std::span<const double> times, std::span<const float> stored, bool startsRun);
    PlotTrace finish();

private:
    TracedChannel traced_;
    ColumnDecimator decimator_;
    std::vector<double> units_;  // the block's values in units
};

}  // namespace sgf
