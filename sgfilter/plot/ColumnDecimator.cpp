#include "plot/ColumnDecimator.h"

#include <cmath>

namespace sgf {

ColumnDecimator::ColumnDecimator(double firstTime, double lastTime, int columns)
    : firstTime_(firstTime), columnsPerSecond_(lastTime > firstTime ? columns / (lastTime - firstTime) : 0.0) {}

void ColumnDecimator::startSegment() {
    flushColumn();
    segments_.emplace_back();
}

void ColumnDecimator::add(double time, double value) {
    if (segments_.empty()) segments_.emplace_back();
    const long column = columnOf(time);
    if (column != column_) {
        flushColumn();
        column_ = column;
    }
    const Extreme sample{{time, value}, count_++};
    if (count_ == 1 || value < lowest_.point.value) lowest_ = sample;
    if (count_ == 1 || value > highest_.point.value) highest_ = sample;
}

std::vector<PlotSegment> ColumnDecimator::finish() {
    flushColumn();
    std::erase_if(segments_, [](const PlotSegment& segment) { return segment.empty(); });
    return std::move(segments_);
}

void ColumnDecimator::flushColumn() {
    if (count_ == 0) return;
    PlotSegment& segment = segments_.back();
    const bool lowestFirst = lowest_.order <= highest_.order;
    segment.push_back(lowestFirst ? lowest_.point : highest_.point);
    if (lowest_.order != highest_.order) segment.push_back(lowestFirst ? highest_.point : lowest_.point);
    count_ = 0;
    column_ = -1;
}

long ColumnDecimator::columnOf(double time) const {
    return static_cast<long>(std::floor((time - firstTime_) * columnsPerSecond_));
}

}  // namespace sgf
