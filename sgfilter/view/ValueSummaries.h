// The least and the greatest value of every block of a channel, and of every stretch of 64 and of
// 512 samples within it, so that a trace zoomed out over hours reads a few numbers per pixel
// column instead of every sample, at every zoom. A block's pair stays in memory: the host numbers
// at most 32,767 blocks, so a channel's pairs take at most 256 KiB whatever the length. The
// stretches' pairs, 9/64 byte per sample, go to a temporary file and are read a block at a time.
#pragma once

#include <array>
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
    // Each a whole number of the one before, so each level is made from the one below.
    static constexpr std::array<std::size_t, 2> kStretchSizes{64, 512};

    // For blocks of at most `samplesPerBlock` samples, `blocksPerChannel` of them per channel;
    // the file goes to `folder`, removed from it at once. Throws std::runtime_error when it cannot
    // be made.
    ValueSummaries(const std::filesystem::path& folder, std::size_t blocksPerChannel, int samplesPerBlock);
    ~ValueSummaries();
    ValueSummaries(const ValueSummaries&) = delete;
    ValueSummaries& operator=(const ValueSummaries&) = delete;

    static std::size_t stretchesIn(std::size_t samples, std::size_t size) { return (samples + size - 1) / size; }

    bool has(int16_t channel, std::size_t block) const;
    // Summarises the values of one block of the channel (host channel numbers, from 1).
    void add(int16_t channel, std::size_t block, std::span<const float> values);
    // Of a summarised block.
    Extremes ofBlock(int16_t channel, std::size_t block) const;
    // The stretches of `size` (one of kStretchSizes) of a summarised block, in order:
    // stretchesIn(its length, size) of them.
    void readStretches(int16_t channel, std::size_t block, std::size_t size, std::span<Extremes> stretches) const;
    // The channel's values changed, or it is gone: its blocks are summarised again when next read,
    // and its pairs give back their memory until then.
    void forget(int16_t channel);

private:
    uint64_t offsetOf(int16_t channel, std::size_t block, std::size_t size) const;

    std::size_t blocksPerChannel_;
    int samplesPerBlock_;
    std::size_t entriesPerBlock_;  // of every level, in the file
    std::vector<std::vector<Extremes>> blocks_;  // [channel - 1][block]; empty until the first add
    std::vector<std::vector<bool>> summarised_;
    int file_ = -1;
};

}  // namespace sgf
