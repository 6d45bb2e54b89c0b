// One signal file of a WFDB record: frames of interleaved samples of the signals it holds, each
// signal its own number of samples per frame, from a byte offset on. Stretches of frames are read
// with one pread each into a buffer kept between calls. Format 8 stores first differences, which
// only a reading from the file's start turns into values: such a file is decoded whole when opened.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "wfdb/WfdbStorageFormat.h"

namespace sgf {

class WfdbSignalFile {
public:
    // `initialValues`: format 8's starting value of each sample position of a frame.
    // Throws InputError naming the file where it cannot be opened.
    WfdbSignalFile(const std::filesystem::path& file, const WfdbStorageFormat& format, std::uint64_t byteOffset,
                   std::size_t frameSamples, std::span<const std::int32_t> initialValues);
    ~WfdbSignalFile();
    WfdbSignalFile(const WfdbSignalFile&) = delete;
    WfdbSignalFile& operator=(const WfdbSignalFile&) = delete;

    const std::filesystem::path& path() const { return file_; }
    const WfdbStorageFormat& format() const { return format_; }
    std::size_t frameSamples() const { return frameSamples_; }
    // Whole frames the file holds.
    std::uint64_t frames() const { return frames_; }
    // Frames `firstFrame` to `firstFrame + count - 1`, which lie in the file: frameSamples() values each.
    void readFrames(std::uint64_t firstFrame, std::size_t count, std::span<std::int32_t> out) const;

private:
    std::filesystem::path file_;
    WfdbStorageFormat format_;
    std::uint64_t byteOffset_;
    std::size_t frameSamples_;
    std::uint64_t frames_ = 0;
    int descriptor_ = -1;
    std::vector<std::int32_t> differenced_;  // format 8's values, decoded whole
    mutable std::vector<unsigned char> bytes_;
    mutable std::vector<std::int32_t> groupAligned_;
};

}  // namespace sgf
