// The time of every row of a recording made in segments: each segment's rows follow one another
// at the sample rate from the segment's own first time, which jumps where the recorder paused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "input/RowTimes.h"

namespace sgf::brainvision {

struct SegmentStart {
    std::size_t firstRow;
    double time;  // seconds from the recording's start, its whole second
};

class SegmentTimes final : public RowTimes {
public:
    // `starts`: in increasing order of row, the first at row 0.
    SegmentTimes(std::vector<SegmentStart> starts, double rate) : starts_(std::move(starts)), rate_(rate) {}
    // Rows past the last one continue the last segment, so markers there have times too.
    void readTimes(std::size_t firstRow, std::span<double> times) const override;
    // A marker's time, wherever it lies, past the last row too.
    double timeOfSample(uint64_t row) const;

private:
    std::vector<SegmentStart> starts_;
    double rate_;
};

}  // namespace sgf::brainvision
