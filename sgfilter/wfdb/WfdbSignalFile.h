// One signal file of a WFDB record: frames of interleaved samples of the signals it holds, each
// signal its own number of samples per frame, from a byte offset on. Stretches of frames are read
// with one pread each into a buffer kept between calls. Format 8 stores first differences, which
// only a reading from the file's start turns into values: opening such a file sums it through once
// and keeps the values at every kCheckpointFrames-th frame, from which a stretch is then summed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "wfdb/WfdbStorageFormat.h"

namespace sgf {

class WfdbSignalFile {
public:
    // Per signal of the file, in order: its samples per frame, and format 8's value before its
    // first difference. Throws InputError naming the file where it cannot be opened.
    WfdbSignalFile(const std::filesystem::path& file, const WfdbStorageFormat& format, std::uint64_t byteOffset,
                   std::span<const int> samplesPerFrame, std::span<const std::int32_t> initialValues);
    ~WfdbSignalFile();
    WfdbSignalFile(const WfdbSignalFile&) = delete;
    WfdbSignalFile& operator=(const WfdbSignalFile&) = delete;

    const std::filesystem::path& path() const { return file_; }
    const WfdbStorageFormat& format() const { return format_; }
    std::size_t frameSamples() const { return frameSamples_; }
    // Whole frames the file holds.
    std::uint64_t frames() const { return frames_; }
    // Frames `firstFrame` to `firstFrame + count - 1`, which lie in the file: frameSamples() values
    // each, valid until the next call. The signals of a file are read one after another over the
    // same frames (each channel's block, the gaps' search), and each block after block, so a
    // stretch of frames from the first asked is decoded at once and kept.
    std::span<const std::int32_t> frames(std::uint64_t firstFrame, std::size_t count) const;

private:
    std::filesystem::path file_;
    WfdbStorageFormat format_;
    std::uint64_t byteOffset_;
    std::size_t frameSamples_;
    std::uint64_t frames_ = 0;
    int descriptor_ = -1;
    void readFrames(std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const;
    void readDifferences(std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const;

    static constexpr std::uint64_t kCheckpointFrames = 4096;
    static constexpr std::uint64_t kDecodeAheadSamples = std::uint64_t{1} << 16;
    // Format 8: the signal (of the file's) each sample of a frame belongs to, whose last value its
    // difference changes; and each signal's value before frame n * kCheckpointFrames.
    std::vector<std::size_t> signalAt_;
    std::size_t signals_ = 0;
    std::vector<std::int32_t> checkpoints_;
    mutable std::vector<unsigned char> bytes_;
    mutable std::vector<std::int32_t> groupAligned_;
    mutable std::vector<std::int32_t> decoded_;
    mutable std::uint64_t decodedFirst_ = 0;
    mutable std::size_t decodedCount_ = 0;
};

}  // namespace sgf
