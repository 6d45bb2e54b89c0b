// Thins the samples of a visible stretch to what a chart can show: per pixel column, the time of
// its first sample and, per channel, the smallest and the largest value. Channels of one rate share
// their sample times, so they share the columns. A pause in the data leaves a break in the trace,
// however narrow the columns are. Zoomed far out, whole stretches of samples come summarised by
// their extremes, each counted in the column of its first sample.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace sgf {

struct TraceTable {
    // One entry per column that holds samples, in time order, and one with no values (a break)
    // wherever a run of data ends before the next column's samples.
    std::vector<double> times;
    std::vector<std::vector<std::optional<double>>> minimum;  // per channel
    std::vector<std::vector<std::optional<double>>> maximum;
};

class TraceColumns {
public:
    // Samples at `from` to `to` seconds, both included, fall into `columns` columns.
    TraceColumns(double from, double to, int columns, std::size_t channelCount);

    // The next samples in time order, with one value per channel each (`values[channel]`), all in
    // units; `startsRun` when they do not continue the samples added before.
    void add(std::span<const double> times, std::span<const std::span<const double>> values, bool startsRun);
    // The next stretch of samples, from `first` to `last` seconds, by its extremes per channel; a
    // channel without a value there (a NaN throughout) gives none.
    void addExtremes(double first, double last, std::span<const std::optional<double>> least,
                     std::span<const std::optional<double>> greatest, bool startsRun);
    TraceTable finish();

private:
    // Opens the column of a sample at `time` unless it is open; false for a time outside the stretch.
    bool enter(double first, double last, bool startsRun);
    void addBreak(double nextTime);
    void widen(std::size_t channel, double least, double greatest);

    double from_;
    double to_;
    double columnsPerSecond_;
    long lastColumn_;
    long column_ = -1;
    bool pendingBreak_ = false;
    double lastTime_ = 0.0;  // of the latest sample in the stretch
    TraceTable table_;
};

}  // namespace sgf
