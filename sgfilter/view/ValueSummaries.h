// The least and the greatest value of every block of a channel, and of every stretch of kChunk
// samples within it, so that a trace zoomed out over hours reads a few numbers per pixel column
// instead of every sample. A block's pair stays in memory: the host numbers at most 32,767 blocks,
// so a channel's pairs take at most 256 KiB whatever the length. The chunks' pairs, 1/8 byte per
// sample, go to a temporary file and are read a block at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace sgf {

// In the host's stored values. least > greatest where the stretch holds no number (all NaN).
struct Extremes {
    float least;
    float greatest;

    bool holdsValues() const { return least <= greatest; }
};

class ValueSummaries {
public:
    static constexpr int kChunk = 64;

    // For blocks of at most `samplesPerBlock` samples, `blocksPerChannel` of them per channel;
    // the file goes to `folder`, removed from it at once. Throws std::runtime_error when it cannot
    // be made.
    ValueSummaries(const std::filesystem::path& folder, std::size_t blocksPerChannel, int samplesPerBlock);
    ~ValueSummaries();
    ValueSummaries(const ValueSummaries&) = delete;
    ValueSummaries& operator=(const ValueSummaries&) = delete;

    static std::size_t chunksIn(std::size_t samples) { return (samples + kChunk - 1) / kChunk; }

    bool has(int16_t channel, std::size_t block) const;
    // Summarises the values of one block of the channel (host channel numbers, from 1).
    void add(int16_t channel, std::size_t block, std::span<const float> values);
    // Of a summarised block.
    Extremes ofBlock(int16_t channel, std::size_t block) const;
    // The chunks of a summarised block, chunksIn(its length) of them.
    void readChunks(int16_t channel, std::size_t block, std::span<Extremes> chunks) const;
    // The channel's values changed: its blocks are summarised again when next read.
    void forget(int16_t channel);

private:
    uint64_t chunkOffset(int16_t channel, std::size_t block) const;

    std::size_t blocksPerChannel_;
    std::size_t chunksPerBlock_;
    std::vector<std::vector<Extremes>> blocks_;  // [channel - 1][block]; empty until the first add
    std::vector<std::vector<bool>> summarised_;
    int file_ = -1;
};

}  // namespace sgf
