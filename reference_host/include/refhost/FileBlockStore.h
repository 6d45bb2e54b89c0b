// A block store in one temporary file of float32 values. Each channel's raw samples and its
// computed values have a fixed region of the file, laid out by absolute sample index, so a block
// goes where its index says and nothing records where it went. Regions that are never written
// stay holes, and the file is sparse.
#pragma once

#include <cstdint>
#include <filesystem>

#include "refhost/BlockStore.h"

namespace refhost {

class FileBlockStore final : public BlockStore {
public:
    // The file is made in `folder` and removed from it at once: it vanishes with the process,
    // however that ends. A region holds `samplesPerChannel`, by default all that the host can
    // number (32767 blocks of 32767 samples, 4 GiB); a recording of known length needs less, and
    // its file then stays within the file system's largest file for many more channels. Throws
    // std::runtime_error naming the folder when the file cannot be made.
    explicit FileBlockStore(const std::filesystem::path& folder, int32_t samplesPerChannel = kMostSamples);
    ~FileBlockStore() override;
    FileBlockStore(const FileBlockStore&) = delete;
    FileBlockStore& operator=(const FileBlockStore&) = delete;

    void save(DataKind kind, int16_t channel, int32_t start, std::span<const float> values) override;
    void load(DataKind kind, int16_t channel, int32_t start, std::span<float> values) override;
    // Punches the channel's region out of the file, which reads as zeros from then on.
    void discard(DataKind kind, int16_t channel) override;

    // The file's apparent size and the bytes the file system holds for it.
    uint64_t fileBytes() const;
    uint64_t allocatedBytes() const;

    static constexpr int32_t kMostSamples = 32767 * 32767;

private:
    // Throws std::out_of_range for values that do not fit in the channel's region.
    uint64_t offsetOf(DataKind kind, int16_t channel, int32_t start, std::size_t count) const;
    [[noreturn]] void fail(const char* action) const;

    std::filesystem::path folder_;
    uint64_t regionBytes_;
    int descriptor_ = -1;
};

}  // namespace refhost
