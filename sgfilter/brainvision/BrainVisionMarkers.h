// A BrainVision marker file (.vmrk), versions 1.0 and 2.0: the [Marker Infos] section's
// `Mk<n>=<Type>,<Description>,<Position>,<Size>,<Channel>[,<Date>]` lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "input/StartAndAnnotations.h"

namespace sgf::brainvision {

struct Marker {
    std::string type;         // UTF-8, as every text here
    std::string description;
    uint64_t position;        // the sample it marks, from 1
    uint64_t size;            // in samples
    std::optional<StartDateTime> date;  // a New Segment's, where it has one
    std::size_t line;         // in the marker file, for messages

    bool isNewSegment() const;
};

// In file order. Throws InputError naming the marker file, and the line, for a marker that
// cannot be read: a position that is not a sample number, a size that is not one, a New Segment
// date that is not one; where it cannot be opened, the header that names it too.
std::vector<Marker> readBrainVisionMarkers(const std::filesystem::path& file, const std::filesystem::path& header);

}  // namespace sgf::brainvision
