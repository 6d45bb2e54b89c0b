// A BrainVision recording opened through its format, as the commands open it, and its channels'
// values in units as the host would page them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "brainvision/BrainVisionFormat.h"
#include "input/UnitsConversion.h"
#include "sgfilter/TempFolder.h"
#include "util/Errors.h"

namespace sgf::testing {

inline ChannelChoice everyChannel() {
    return [](const RecordingDescription& description) {
        std::vector<int> all(description.channels.size());
        std::iota(all.begin(), all.end(), 1);
        return all;
    };
}

inline std::unique_ptr<InputRecording> openBrainVision(const std::filesystem::path& header, const ChannelChoice& choose = everyChannel()) {
    return brainVisionFormat().open(header, {header.parent_path(), choose, ""});
}

// Channel `channel`'s (from 0) stored values from `first` on, in units.
inline std::vector<double> unitsOf(const InputRecording& recording, std::size_t channel, std::size_t first, std::size_t count) {
    std::vector<float> stored(count);
    recording.readStored(channel, first, stored);
    const UnitsConversion conversion = unitsConversionOf(recording.description().channels.at(channel).scaling);
    std::vector<double> units;
    for (const float value : stored) units.push_back(conversion.toUnits(value));
    return units;
}

// The message of the InputError that opening `header` throws; empty where none is thrown.
inline std::string openingFailure(const std::filesystem::path& header) {
    try {
        openBrainVision(header);
    } catch (const InputError& error) {
        return error.what();
    }
    return {};
}

}  // namespace sgf::testing
