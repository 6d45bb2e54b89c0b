// A block store in one temporary file of float32 values. Each channel's raw samples and its
// computed values have a fixed region of the file, laid out by absolute sample index, so a block
// goes where its index says and nothing records where it went. The host numbers at most 32767
// blocks of at most 32767 samples, so a region is 4 GiB; regions that are never written stay
// holes, and the file is sparse.
#pragma once

#include <cstdint>
#include <filesystem>

#include "refhost/BlockStore.h"

namespace refhost {

class FileBlockStore final : public BlockStore {
public:
    // The file is made in `folder` and removed from it at once: it vanishes with the process,
    // however that ends. Throws std::runtime_error naming the folder when it cannot be made.
    explicit FileBlockStore(const std::filesystem::path& folder);
    ~FileBlockStore() override;
    FileBlockStore(const FileBlockStore&) = delete;
    FileBlockStore& operator=(const FileBlockStore&) = delete;

    void save(DataKind kind, int16_t channel, int32_t start, std::span<const float> values) override;
    void load(DataKind kind, int16_t channel, int32_t start, std::span<float> values) override;

    // The file's apparent size and the bytes the file system holds for it.
    uint64_t fileBytes() const;
    uint64_t allocatedBytes() const;

    static constexpr uint64_t kRegionBytes = uint64_t{32767} * 32767 * sizeof(float);
    static uint64_t offsetOf(DataKind kind, int16_t channel, int32_t start);

private:
    [[noreturn]] void fail(const char* action) const;

    std::filesystem::path folder_;
    int descriptor_ = -1;
};

}  // namespace refhost
