#include "plot/ColumnDecimator.h"

#include <cmath>

namespace sgf {

ColumnDecimator::ColumnDecimator(double firstTime, double lastTime, int columns)
    : firstTime_(firstTime), columnsPerSecond_(lastTime > firstTime ? columns / (lastTime - firstTime) : 0.0) {}

void ColumnDecimator::startSegment() {
    flushColumn();
    segments_.emplace_back();
}

void ColumnDecimator::add(std::span<const double> times, std::span<const double> values) {
    if (segments_.empty()) segments_.emplace_back();
    for (std::size_t first = 0; first < times.size();) {
        const long column = columnOf(times[first]);
        if (column != column_) {
            flushColumn();
            column_ = column;
        }
        const std::size_t end = columnEnd(times, first);
        std::size_t sample = first;
        if (count_ == 0) {
            lowest_ = highest_ = {{times[sample], values[sample]}, 0};
            ++sample;
        }
        // The first of equal extremes stays, as the plot showed them sample by sample. Found by
        // index, so the loop only compares; a NaN first in its column stays, since nothing is
        // below or above it.
        std::size_t lowest = end;
        std::size_t highest = end;
        double lowestValue = lowest_.point.value;
        double highestValue = highest_.point.value;
        for (; sample < end; ++sample) {
            const double value = values[sample];
            if (value < lowestValue) {
                lowestValue = value;
                lowest = sample;
            }
            if (value > highestValue) {
                highestValue = value;
                highest = sample;
            }
        }
        const std::size_t before = count_ - first;  // a sample's order in its column less its index
        if (lowest != end) lowest_ = {{times[lowest], lowestValue}, before + lowest};
        if (highest != end) highest_ = {{times[highest], highestValue}, before + highest};
        count_ = before + end;
        first = end;
    }
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

std::size_t ColumnDecimator::columnEnd(std::span<const double> times, std::size_t first) const {
    // Columns only grow with time, so the column's end is found by halving: a pixel column holds
    // many blocks' samples, and this asks for a handful of columns per block instead of one per sample.
    const long column = columnOf(times[first]);
    std::size_t inside = first;
    std::size_t beyond = times.size();
    while (beyond - inside > 1) {
        const std::size_t middle = inside + (beyond - inside) / 2;
        (columnOf(times[middle]) == column ? inside : beyond) = middle;
    }
    return beyond;
}

}  // namespace sgf
