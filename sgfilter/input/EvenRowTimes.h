// Row times of a recording whose rows follow one another at one rate from its start, gaps or
// not: row r is at r / rate seconds, as exact as a division makes it however long the recording.
#pragma once

#include <cstddef>
#include <span>

#include "input/RowTimes.h"

namespace sgf {

class EvenRowTimes final : public RowTimes {
public:
    explicit EvenRowTimes(double rate) : rate_(rate) {}
    void readTimes(std::size_t firstRow, std::span<double> times) const override {
        for (std::size_t index = 0; index < times.size(); ++index) {
            times[index] = static_cast<double>(firstRow + index) / rate_;
        }
    }

private:
    double rate_;
};

}  // namespace sgf
