// Where a paged recording keeps the sample data of the blocks it does not hold in memory, as a
// recording application keeps its data on disk and pages in what a computation needs.
#pragma once

#include <cstdint>
#include <span>

namespace refhost {

enum class DataKind { raw, computed };

class BlockStore {
public:
    virtual ~BlockStore() = default;
    // `start` is the absolute index of the block's sample 0: the place of its values among the
    // channel's. Throws std::runtime_error when the store cannot be read or written.
    virtual void save(DataKind kind, int16_t channel, int32_t start, std::span<const float> values) = 0;
    virtual void load(DataKind kind, int16_t channel, int32_t start, std::span<float> values) = 0;
    // The `kind` values of the channel are no longer wanted: the store may give back their room.
    virtual void discard(DataKind kind, int16_t channel) = 0;
};

}  // namespace refhost
