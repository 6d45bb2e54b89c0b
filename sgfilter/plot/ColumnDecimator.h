// Thins a trace to what a plot can show: per pixel column, the smallest and the largest value,
// in the order they occur. A long recording becomes a few thousand points, and a spike of a
// single sample still reaches its full height.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace sgf {

struct PlotPoint {
    double time;
    double value;
};

// A stretch of contiguous data; the plot draws no line from one segment to the next.
using PlotSegment = std::vector<PlotPoint>;

class ColumnDecimator {
public:
    ColumnDecimator(double firstTime, double lastTime, int columns);

    // Samples come in increasing time; a new segment starts at every gap in the data.
    void startSegment();
    // The next samples: their times and values, as many of each.
    void add(std::span<const double> times, std::span<const double> values);
    std::vector<PlotSegment> finish();

private:
    struct Extreme {
        PlotPoint point;
        std::size_t order;
    };
    void flushColumn();
    long columnOf(double time) const;
    // Of the samples from `first` on, up to where the column of `times[first]` ends.
    std::size_t columnEnd(std::span<const double> times, std::size_t first) const;

    double firstTime_;
    double columnsPerSecond_;
    std::vector<PlotSegment> segments_;
    long column_ = -1;
    std::size_t count_ = 0;
    Extreme lowest_{};
    Extreme highest_{};
};

}  // namespace sgf
