// A row sink that keeps what a reader hands it, for tests that look at the rows themselves.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

#include "csv/RunSplitting.h"
#include "staging/RowSink.h"

namespace sgf::testing {

struct CollectedRows final : RowSink {
    std::vector<double> times;
    std::vector<std::vector<double>> columns;  // one per channel
    std::vector<std::size_t> breaks;           // rows that follow a break
    bool breakPending = false;

    void row(double time, std::span<const double> values) override {
        if (breakPending && !times.empty()) breaks.push_back(times.size());
        breakPending = false;
        times.push_back(time);
        columns.resize(values.size());
        for (std::size_t column = 0; column < values.size(); ++column) columns[column].push_back(values[column]);
    }
    void breakBeforeNextRow() override { breakPending = true; }

    TimeColumn timeColumn(int decimals) const { return timeColumnOf(times, decimals, breaks); }
    // The time column as the run layout reads it, from `times`, which must outlive it.
    static TimeColumn timeColumnOf(const std::vector<double>& times, int decimals,
                                   std::vector<std::size_t> breaks = {}) {
        return {"r.csv", times.size(), decimals, std::move(breaks),
                [&times](std::size_t first, std::span<double> into) {
                    std::copy_n(times.begin() + static_cast<std::ptrdiff_t>(first), into.size(), into.begin());
                }};
    }
};

}  // namespace sgf::testing
