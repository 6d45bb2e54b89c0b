// A recording's markers as the host's annotations: each at the time of the sample it marks (in
// its segment's time), lasting its size where it spans more than one sample, with the text
// "Type/Description" ("Stimulus/S253"), or whichever of the two is given. Markers past the last
// sample are kept, at the times the last segment would reach, and `info` says so: the marker file
// holds them, and an output keeps what its input holds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "brainvision/BrainVisionMarkers.h"
#include "brainvision/SegmentTimes.h"
#include "input/StartAndAnnotations.h"

namespace sgf::brainvision {

struct MarkerAnnotations {
    std::vector<Annotation> annotations;  // in order of onset
    std::vector<std::string> notes;       // markers past the end, markers without text
};

MarkerAnnotations annotationsOf(const std::vector<Marker>& markers, const SegmentTimes& times, double rate, std::size_t sampleCount);

}  // namespace sgf::brainvision
