// The time of every row of a recording, from anywhere in it: the output and the plot need the
// times of the rows they write, block after block, long after the recording was read.
#pragma once

#include <cstddef>
#include <span>

namespace sgf {

class RowTimes {
public:
    virtual ~RowTimes() = default;
    // Seconds, of rows `firstRow` to `firstRow + times.size() - 1`.
    virtual void readTimes(std::size_t firstRow, std::span<double> times) const = 0;

    double timeOf(std::size_t row) const {
        double time = 0.0;
        readTimes(row, {&time, 1});
        return time;
    }
};

}  // namespace sgf
