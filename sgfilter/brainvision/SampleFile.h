// A BrainVision data file (.eeg), read where it lies: the host pages a channel's samples straight
// from it, a whole stretch per read, whether the channels' samples are interleaved (multiplexed)
// or each channel's follow one another (vectorized).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "brainvision/BrainVisionHeader.h"

namespace sgf::brainvision {

class SampleFile {
public:
    // Throws InputError naming the data file where it cannot be opened, or where its size is not
    // the header's channels times a whole number of samples (DataPoints of them, where given).
    SampleFile(const BrainVisionHeader& header, const std::filesystem::path& headerFile);
    ~SampleFile();
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;

    std::size_t sampleCount() const { return sampleCount_; }
    // Channel `channel`'s (from 0) samples `first` on, each the file's value times `scale`.
    void read(std::size_t channel, std::size_t first, std::span<float> values, double scale) const;
    // The largest magnitude among the values of each of `channels`, in one pass over the file.
    // Throws InputError for a value that is not a finite number, or an int32 one that float32
    // cannot hold exactly.
    std::vector<double> largestMagnitudes(std::span<const std::size_t> channels) const;

private:
    // The bytes of `stretch.size()` file bytes at `offset`, or InputError.
    void readBytes(uint64_t offset, std::span<unsigned char> stretch) const;
    uint64_t offsetOf(std::size_t channel, std::size_t sample) const;
    // Bytes between one sample of a channel and its next.
    std::size_t strideOf() const;

    std::filesystem::path file_;
    std::vector<std::string> labels_;
    Orientation orientation_;
    SampleType type_;
    std::size_t bytesPerSample_;
    std::size_t channelCount_;
    std::size_t sampleCount_ = 0;
    int descriptor_ = -1;
};

}  // namespace sgf::brainvision
