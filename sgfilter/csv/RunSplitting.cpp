#include "csv/RunSplitting.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "util/Errors.h"

namespace sgf {

namespace {

// Enough steps for a robust estimate; the median ignores the odd gap among them.
constexpr std::size_t kStepsForEstimate = 1001;
constexpr double kRelativeTolerance = 0.01;
constexpr std::size_t kRowsPerRead = std::size_t{1} << 16;

bool breaksBefore(const TimeColumn& times, std::size_t row) {
    return std::binary_search(times.breaks.begin(), times.breaks.end(), row);
}

double medianStep(const TimeColumn& times) {
    std::vector<double> steps;
    std::vector<double> chunk;
    double previous = 0.0;
    // Usually the first rows give all the steps; breaks among them send the search further.
    for (std::size_t first = 0; first < times.rowCount && steps.size() < kStepsForEstimate; first += chunk.size()) {
        chunk.resize(std::min(first == 0 ? kStepsForEstimate + 1 : kRowsPerRead, times.rowCount - first));
        times.read(first, chunk);
        for (std::size_t offset = 0; offset < chunk.size() && steps.size() < kStepsForEstimate; ++offset) {
            const std::size_t row = first + offset;
            if (row > 0 && !breaksBefore(times, row)) steps.push_back(chunk[offset] - previous);
            previous = chunk[offset];
        }
    }
    if (steps.empty()) {
        throw InputError(times.file, times.rowCount == 1 ? 2 : 0,
                         times.rowCount == 1
                             ? "only one data row; the sample interval needs at least two consecutive rows"
                             : "no two data rows follow each other, so the sample interval cannot be known");
    }
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

// How far a step may stray from the interval and still be one interval: 1%, or the rounding of
// the time column when that is coarser (times written to 0.1 ms at 3 kHz step by 0.3 and 0.4 ms),
// but never so far that a single missing sample would pass for one step.
double stepTolerance(double interval, int timeDecimals) {
    const double rounding = 1.5 * std::pow(10.0, -timeDecimals);
    return std::min(std::max(kRelativeTolerance * interval, rounding), 0.5 * interval);
}

}  // namespace

RunLayout splitIntoRuns(const TimeColumn& times, std::size_t mostRuns) {
    const double estimate = medianStep(times);
    const double tolerance = stepTolerance(estimate, times.decimals);
    std::vector<DataRun> runs;
    // The mean step inside the runs: exact for times rounded to few decimals, where single steps
    // are not.
    double span = 0.0;
    std::size_t steps = 0;
    double runStart = 0.0;
    double previous = 0.0;
    const auto closeRun = [&] {
        const DataRun& run = runs.back();
        if (run.rowCount < 2) return;
        span += previous - runStart;
        steps += run.rowCount - 1;
    };
    std::vector<double> chunk(std::min(kRowsPerRead, times.rowCount));
    for (std::size_t first = 0; first < times.rowCount; first += chunk.size()) {
        chunk.resize(std::min(kRowsPerRead, times.rowCount - first));
        times.read(first, chunk);
        for (std::size_t offset = 0; offset < chunk.size(); ++offset) {
            const std::size_t row = first + offset;
            const double time = chunk[offset];
            if (row > 0 && !breaksBefore(times, row) && std::fabs(time - previous - estimate) <= tolerance) {
                ++runs.back().rowCount;
            } else {
                if (row > 0) closeRun();
                if (runs.size() == mostRuns) {
                    throw InputError(times.file, 0,
                                     fmt::format("the data breaks into more than {} runs, more than the host can "
                                                 "hold; the first {} end before time {} s",
                                                 mostRuns, mostRuns, time));
                }
                runs.push_back({row, 1});
                runStart = time;
            }
            previous = time;
        }
    }
    closeRun();
    return {steps > 0 ? span / static_cast<double>(steps) : estimate, std::move(runs)};
}

}  // namespace sgf
