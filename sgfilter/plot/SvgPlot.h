// A plot of channels against time as a standalone SVG document that a browser shows as it is.
// Traces with the same units share a panel; traces in other units get a panel of their own,
// stacked below, with the same time axis.
#pragma once

#include <string>
#include <vector>

#include "io/AtomicOutputFile.h"
#include "plot/ColumnDecimator.h"

namespace sgf {

struct PlotTrace {
    std::string label;
    std::string units;  // in the host's notation
    std::vector<PlotSegment> segments;
};

// Pixel columns of the plotting area: the resolution to decimate traces to.
inline constexpr int kPlotColumns = 1100;

// The caller commits the file once everything it writes has succeeded.
void writeSvgPlot(AtomicOutputFile& file, const std::string& timeLabel, const std::vector<PlotTrace>& traces);

}  // namespace sgf
