// A WFDB record opened through the format as the host opens it, and its channels' values read
// back in units.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <numeric>
#include <vector>

#include "input/UnitsConversion.h"
#include "wfdb/WfdbFormat.h"

namespace sgf::testing {

// `channels`: numbered from 1; none reads every channel. `annotations`: the annotator asked for.
inline std::unique_ptr<InputRecording> openWfdb(const std::filesystem::path& header, std::vector<int> channels = {},
                                                const std::string& annotations = "") {
    const ChannelChoice choose = [channels](const RecordingDescription& description) {
        if (!channels.empty()) return channels;
        std::vector<int> all(description.channels.size());
        std::iota(all.begin(), all.end(), 1);
        return all;
    };
    return wfdbFormat().open(header, {header.parent_path(), choose, annotations});
}

// The stored values of channel `channel` (from 0), all its samples.
inline std::vector<float> storedOf(const InputRecording& recording, std::size_t channel) {
    std::vector<float> stored(recording.description().channels.at(channel).sampleCount);
    recording.readStored(channel, 0, stored);
    return stored;
}

// The digital values the stored values stand for: exact, the base factor being a power of two.
inline std::vector<double> digitalOf(const InputRecording& recording, std::size_t channel) {
    std::vector<double> digital;
    const double base = recording.description().channels.at(channel).scaling.baseFactor;
    for (const float value : storedOf(recording, channel)) digital.push_back(static_cast<double>(value) * base);
    return digital;
}

inline std::vector<double> unitsOf(const InputRecording& recording, std::size_t channel) {
    std::vector<double> units;
    const UnitsConversion conversion = unitsConversionOf(recording.description().channels.at(channel).scaling);
    for (const float value : storedOf(recording, channel)) units.push_back(conversion.toUnits(value));
    return units;
}

}  // namespace sgf::testing
