// The rows of one sample rate: the samples of the channels recorded at that rate. A recording's
// runs are counted in ticks, the finest stretch of time that holds a whole number of samples of
// every rate read, so the runs of every rate line up in time, and so do their blocks.
#pragma once

#include <cstddef>

#include "input/RowTimes.h"

namespace sgf {

struct RowsAtRate {
    double sampleInterval;       // seconds
    std::size_t samplesPerTick;  // 1 where one rate is read
    int timeDecimals;            // enough to write the time of every row
    const RowTimes* times;
};

}  // namespace sgf
