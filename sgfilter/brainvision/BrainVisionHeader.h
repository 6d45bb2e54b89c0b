// A BrainVision header (.vhdr), versions 1.0 and 2.0: where the data and the markers are, how the
// samples are laid out, and each channel's name, resolution and unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sgf::brainvision {

enum class Orientation { multiplexed, vectorized };
enum class SampleType { int16, uint16, int32, float32 };

struct HeaderChannel {
    std::string label;       // UTF-8
    std::string units;       // UTF-8; µV where the file gives none
    double resolution = 1;   // units per stored value
};

struct BrainVisionHeader {
    std::filesystem::path dataFile;                  // the header's folder prepended
    std::optional<std::filesystem::path> markerFile;  // likewise; none where the header names none
    Orientation orientation = Orientation::multiplexed;
    SampleType sampleType = SampleType::int16;
    double samplingInterval = 0;             // µs
    std::optional<uint64_t> dataPoints;      // samples per channel, where the header says
    std::vector<HeaderChannel> channels;
};

// Whether a file's first bytes are a BrainVision header's first line.
bool isBrainVisionHeader(std::string_view head);

// Throws InputError naming the header, and the line where one is at fault, for anything this
// reader cannot read as the header means it.
BrainVisionHeader readBrainVisionHeader(const std::filesystem::path& file);

std::size_t bytesPerSample(SampleType type);
// Whether a channel's scaling waits for a pass over its values: float32's and int32's, which
// float32 holds exactly only up to 2^24.
bool needsLargestValue(SampleType type);
std::string_view nameOf(SampleType type);

}  // namespace sgf::brainvision
