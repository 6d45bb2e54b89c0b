// A temporary file of float64 values, written once in order and then read from anywhere: where a
// recording's rows wait, off the heap, until its layout is known. The file is removed from its
// folder as soon as it is made, so it vanishes with the process however that ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace sgf {

class StagingFile {
public:
    // Throws std::runtime_error naming the folder when the file cannot be made there.
    explicit StagingFile(const std::filesystem::path& folder);
    ~StagingFile();
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    void append(std::span<const double> values);
    // Writes what is buffered; reading sees only what was flushed.
    void flush();
    // values.size() values from index `first`, which must have been written.
    void read(uint64_t first, std::span<double> values) const;
    uint64_t size() const { return written_ + buffer_.size(); }

private:
    [[noreturn]] void fail(const char* action) const;

    std::filesystem::path folder_;
    int descriptor_ = -1;
    uint64_t written_ = 0;  // values in the file
    std::vector<double> buffer_;
};

}  // namespace sgf
