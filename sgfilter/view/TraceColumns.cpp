#include "view/TraceColumns.h"

#include <algorithm>
#include <cmath>

namespace sgf {

TraceColumns::TraceColumns(double from, double to, int columns, std::size_t channelCount)
    : from_(from), to_(to), columnsPerSecond_(to > from ? columns / (to - from) : 0.0), lastColumn_(columns - 1) {
    table_.minimum.resize(channelCount);
    table_.maximum.resize(channelCount);
}

void TraceColumns::addBreak(double nextTime) {
    // Between the samples on either side, so the times stay in increasing order.
    table_.times.push_back((table_.times.back() + nextTime) / 2);
    for (auto& channel : table_.minimum) channel.emplace_back();
    for (auto& channel : table_.maximum) channel.emplace_back();
}

void TraceColumns::add(std::span<const double> times, std::span<const std::span<const double>> values,
                       bool startsRun) {
    if (startsRun && column_ >= 0) pendingBreak_ = true;
    for (std::size_t sample = 0; sample < times.size(); ++sample) {
        const double time = times[sample];
        if (time < from_ || time > to_) continue;
        // The last instant belongs to the last column rather than to one past it.
        const long column = std::min(lastColumn_, static_cast<long>(std::floor((time - from_) * columnsPerSecond_)));
        if (column != column_ || pendingBreak_) {
            if (pendingBreak_) addBreak(time);
            pendingBreak_ = false;
            column_ = column;
            table_.times.push_back(time);
            for (std::size_t channel = 0; channel < values.size(); ++channel) {
                table_.minimum[channel].emplace_back(values[channel][sample]);
                table_.maximum[channel].emplace_back(values[channel][sample]);
            }
            continue;
        }
        for (std::size_t channel = 0; channel < values.size(); ++channel) {
            const double value = values[channel][sample];
            table_.minimum[channel].back() = std::min(*table_.minimum[channel].back(), value);
            table_.maximum[channel].back() = std::max(*table_.maximum[channel].back(), value);
        }
    }
}

TraceTable TraceColumns::finish() { return std::move(table_); }

}  // namespace sgf
