// Thins a trace to what a plot can show: per pixel column, the smallest and the largest value,
// in the order they occur. A long recording becomes a few thousand points, and a spike of a
// single sample still reaches its full height.
#pragma once

#include <cstddef>
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
    void add(double time, double value);
    std::vector<PlotSegment> finish();

private:
    struct Extreme {
        PlotPoint point;
        std::size_t order;
    };
    void flushColumn();
    long columnOf(double time) const;

    double firstTime_;
    double columnsPerSecond_;
    std::vector<PlotSegment> segments_;
    long column_ = -1;
    std::size_t count_ = 0;
    Extreme lowest_{};
    Extreme highest_{};
};

}  // namespace sgf
