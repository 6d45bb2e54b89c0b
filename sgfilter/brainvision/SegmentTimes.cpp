#include "brainvision/SegmentTimes.h"

#include <algorithm>

namespace sgf::brainvision {

void SegmentTimes::readTimes(std::size_t firstRow, std::span<double> times) const {
    auto segment = std::ranges::upper_bound(starts_, firstRow, {}, &SegmentStart::firstRow) - 1;
    for (std::size_t index = 0; index < times.size(); ++index) {
        const std::size_t row = firstRow + index;
        while (segment + 1 != starts_.end() && (segment + 1)->firstRow <= row) ++segment;
        // Counted from the segment's first row, a division as EvenRowTimes makes it: exact however long.
        times[index] = segment->time + static_cast<double>(row - segment->firstRow) / rate_;
    }
}

double SegmentTimes::timeOfSample(uint64_t row) const {
    const auto segment = std::ranges::upper_bound(starts_, row, {}, [](const SegmentStart& start) { return uint64_t{start.firstRow}; }) - 1;
    return segment->time + static_cast<double>(row - segment->firstRow) / rate_;
}

}  // namespace sgf::brainvision
