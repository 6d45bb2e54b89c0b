// The public BrainVision test recordings in the shared recordings folder, and their samples
// decoded here from the format's definition (little-endian int16, multiplexed), independently of
// the reader.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "sgfilter/TempFolder.h"

namespace sgf::testing {

inline std::filesystem::path sharedBrainVision() { return std::filesystem::path(SG_SHARED_RECORDINGS) / "brainvision"; }

// Skips the test where the folder is absent.
#define SKIP_WITHOUT_SHARED_BRAINVISION()                                                                        \
    if (!std::filesystem::exists(sharedBrainVision() / "test.vhdr")) {                                             \
        GTEST_SKIP() << "the shared BrainVision recordings are not at " << sharedBrainVision().string();         \
    }

constexpr std::size_t kSharedChannels = 32;
constexpr std::size_t kSharedSamples = 7900;

// test.eeg's digital values, as its headers lay them out.
class SharedDigital {
public:
    SharedDigital() : bytes_(readText(sharedBrainVision() / "test.eeg")) {}
    std::size_t sampleCount() const { return bytes_.size() / (2 * kSharedChannels); }
    int16_t at(std::size_t channel, std::size_t sample) const {
        const std::size_t offset = 2 * (sample * kSharedChannels + channel);
        const auto low = static_cast<unsigned char>(bytes_[offset]);
        const auto high = static_cast<unsigned char>(bytes_[offset + 1]);
        return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
    }

private:
    std::string bytes_;
};

}  // namespace sgf::testing
