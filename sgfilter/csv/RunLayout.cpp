#include "csv/RunLayout.h"

#include <algorithm>
#include <cmath>

#include "util/Errors.h"

namespace sgf {

namespace {

// Enough steps for a robust estimate; the median ignores the odd gap among them.
constexpr std::size_t kStepsForEstimate = 1001;
constexpr double kRelativeTolerance = 0.01;

bool breaksBefore(const CsvTable& table, std::size_t row) {
    return std::binary_search(table.blankLineBreaks.begin(), table.blankLineBreaks.end(), row);
}

double medianStep(const CsvTable& table) {
    std::vector<double> steps;
    for (std::size_t row = 1; row < table.rowCount() && steps.size() < kStepsForEstimate; ++row) {
        if (!breaksBefore(table, row)) steps.push_back(table.times[row] - table.times[row - 1]);
    }
    if (steps.empty()) {
        throw InputError(table.file, table.rowCount() == 1 ? 2 : 0,
                         table.rowCount() == 1
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

// The mean step inside the runs: exact for times rounded to few decimals, where single steps
// are not.
double meanStep(const CsvTable& table, const std::vector<DataRun>& runs, double fallback) {
    double span = 0.0;
    std::size_t steps = 0;
    for (const DataRun& run : runs) {
        if (run.rowCount < 2) continue;
        span += table.times[run.firstRow + run.rowCount - 1] - table.times[run.firstRow];
        steps += run.rowCount - 1;
    }
    return steps > 0 ? span / static_cast<double>(steps) : fallback;
}

}  // namespace

RunLayout splitIntoRuns(const CsvTable& table) {
    const double estimate = medianStep(table);
    const double tolerance = stepTolerance(estimate, table.timeDecimals);
    std::vector<DataRun> runs{{0, 1}};
    for (std::size_t row = 1; row < table.rowCount(); ++row) {
        const double step = table.times[row] - table.times[row - 1];
        if (breaksBefore(table, row) || std::fabs(step - estimate) > tolerance) {
            runs.push_back({row, 1});
        } else {
            ++runs.back().rowCount;
        }
    }
    return {meanStep(table, runs, estimate), std::move(runs)};
}

}  // namespace sgf
