// The segments a recording was made in, from its New Segment markers: the first one's date is
// when the recording started; each one after the first sample starts a run of data (no filter
// window reaches across it) at the time its date gives, or where the segment before it ends.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "brainvision/BrainVisionMarkers.h"
#include "brainvision/SegmentTimes.h"
#include "input/StartAndAnnotations.h"

namespace sgf::brainvision {

struct Segments {
    std::optional<StartDateTime> start;  // the date of a New Segment at the first sample
    std::vector<SegmentStart> starts;    // the first at row 0
    std::vector<std::string> notes;      // dates that could not be followed, for `info`
};

Segments segmentsOf(const std::vector<Marker>& markers, std::size_t sampleCount, double rate);

}  // namespace sgf::brainvision
