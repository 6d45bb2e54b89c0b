#include "view/TraceColumns.h"

#include <algorithm>

namespace sgf {

TraceColumns::TraceColumns(double from, double to, int columns, std::size_t channelCount)
    : from_(from), to_(to), columnsPerSecond_(to > from ? columns / (to - from) : 0.0), lastColumn_(columns - 1) {
    table_.minimum.resize(channelCount);
    table_.maximum.resize(channelCount);
}

void TraceColumns::addBreak(double nextTime) {
    // Between the samples on either side, so the times stay in increasing order.
    table_.times.push_back((lastTime_ + nextTime) / 2);
    for (auto& channel : table_.minimum) channel.emplace_back();
    for (auto& channel : table_.maximum) channel.emplace_back();
}

bool TraceColumns::enter(double first, double last, bool startsRun) {
    if (startsRun && column_ >= 0) pendingBreak_ = true;
    if (first < from_ || first > to_) return false;
    // The last instant belongs to the last column rather than to one past it. The position is not
    // negative, so truncating is its floor (and no library call, as floor is on this target).
    const long column = std::min(lastColumn_, static_cast<long>((first - from_) * columnsPerSecond_));
    if (column != column_ || pendingBreak_) {
        if (pendingBreak_) addBreak(first);
        pendingBreak_ = false;
        column_ = column;
        table_.times.push_back(first);
        for (auto& channel : table_.minimum) channel.emplace_back();
        for (auto& channel : table_.maximum) channel.emplace_back();
    }
    lastTime_ = last;
    return true;
}

void TraceColumns::widen(std::size_t channel, double least, double greatest) {
    std::optional<double>& minimum = table_.minimum[channel].back();
    std::optional<double>& maximum = table_.maximum[channel].back();
    minimum = minimum ? std::min(*minimum, least) : least;
    maximum = maximum ? std::max(*maximum, greatest) : greatest;
}

void TraceColumns::add(std::span<const double> times, std::span<const std::span<const double>> values,
                       bool startsRun) {
    for (std::size_t sample = 0; sample < times.size(); ++sample) {
        if (!enter(times[sample], times[sample], startsRun && sample == 0)) continue;
        for (std::size_t channel = 0; channel < values.size(); ++channel) {
            widen(channel, values[channel][sample], values[channel][sample]);
        }
    }
}

void TraceColumns::addExtremes(double first, double last, std::span<const std::optional<double>> least,
                               std::span<const std::optional<double>> greatest, bool startsRun) {
    if (!enter(first, last, startsRun)) return;
    for (std::size_t channel = 0; channel < least.size(); ++channel) {
        if (least[channel]) widen(channel, *least[channel], *greatest[channel]);
    }
}

TraceTable TraceColumns::finish() { return std::move(table_); }

}  // namespace sgf
