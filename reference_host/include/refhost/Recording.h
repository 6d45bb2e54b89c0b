// The recording the host serves to the module: channels numbered from 1, blocks numbered from 1,
// absolute sample indices that run on across blocks, and runs of contiguous data that may span
// several blocks. The layout (lengths, runs, availability: a few bytes per block) is kept for the
// whole recording; each block's raw samples and computed values live in relocatable guarded
// handles owned by the host. A recording without a block store holds every block in memory; one
// that pages through a store holds only the blocks in use and a small cache of others, as a
// recording application pages its data from disk.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "module/filter/ChannelScaling.h"
#include "module/host/HostRecords.h"
#include "module/host/HostTypes.h"
#include "refhost/BlockStore.h"
#include "refhost/HostMemory.h"

namespace refhost {

// Computed values start as this quiet NaN, so a sample the module should have written and did
// not is easy to tell from any value it could compute.
inline constexpr uint32_t kUnwrittenSampleBits = 0x7FC0DEAD;

struct ChannelDescription {
    std::string name;
    std::string title;
    sg::ChannelScaling rawScaling;
    sg::ChannelScaling computedScaling;
};

enum class RunBoundary { startsRun, continuesRun };

class Recording {
public:
    explicit Recording(HostMemory& memory) : memory_(memory) {}
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // From here on the sample data of blocks not in use goes to `store`, and at most
    // `cachedBlocks` (at least 1) blocks not in use stay in memory. Blocks already held move into
    // the cache.
    void pageThrough(std::unique_ptr<BlockStore> store, std::size_t cachedBlocks);
    bool isPaged() const { return store_ != nullptr; }

    // Channels and blocks may be added in any order. Raw samples start as 0.0.
    int16_t addChannel(ChannelDescription description);
    // Throws std::invalid_argument for a length outside 1..32767 or a first block that claims to
    // continue a run.
    int16_t addBlock(int16_t length, double sampleInterval, RunBoundary boundary);

    int16_t channelCount() const { return static_cast<int16_t>(channels_.size()); }
    int16_t blockCount() const { return static_cast<int16_t>(blocks_.size()); }
    bool isChannel(int32_t channel) const { return channel >= 1 && channel <= channelCount(); }
    bool isBlock(int32_t block) const { return block >= 1 && block <= blockCount(); }
    ChannelDescription& channel(int16_t channel) { return channels_.at(channel - 1); }
    const ChannelDescription& channel(int16_t channel) const { return channels_.at(channel - 1); }

    int16_t blockLength(int16_t block) const { return blocks_.at(block - 1).length; }
    double sampleInterval(int16_t block) const { return blocks_.at(block - 1).sampleInterval; }
    // Absolute index of sample 0 of the block.
    int32_t blockStart(int16_t block) const { return blocks_.at(block - 1).start; }
    int32_t sampleCount() const { return blocks_.empty() ? 0 : blocks_.back().start + blocks_.back().length; }
    // The block and offset of an absolute index; block 0 when the index lies outside the data.
    sg::DataPosition positionOf(int32_t index) const {
        if (!blockHolds(blocksFound_[0], index)) {
            if (blockHolds(blocksFound_[1], index)) {
                std::swap(blocksFound_[0], blocksFound_[1]);
            } else if (!searchBlock(index)) {
                return {0, 0};
            }
        }
        return {static_cast<int16_t>(blocksFound_[0] + 1), static_cast<int16_t>(index - blocks_[blocksFound_[0]].start)};
    }
    // First and last absolute index (inclusive) of the run that holds a valid index.
    std::pair<int32_t, int32_t> runContaining(int32_t index) const {
        if (lastRunFound_ >= runs_.size() || index < runs_[lastRunFound_].first || index > runs_[lastRunFound_].last)
            searchRun(index);
        return {runs_[lastRunFound_].first, runs_[lastRunFound_].last};
    }
    // Ends the run that holds `index` just before it, so that one block can hold the end of one
    // run and the start of the next.
    void breakRunAt(int32_t index);

    // The handle of a block that is handed to the module: it stays in memory, under this handle,
    // until the next top-level call into the module has returned. `dataHandle` is for a block
    // the module may write (a request's output); `lentHandle` for one it only reads.
    sg::Handle dataHandle(DataKind kind, int16_t channel, int16_t block) const;
    sg::Handle lentHandle(DataKind kind, int16_t channel, int16_t block) const {
        if (isChannel(channel) && isBlock(block)) {
            // Lent already during this call: the module reads it again, as it does across a boundary.
            const Present* known = states_[channel - 1][block - 1].present[kind == DataKind::raw ? 0 : 1];
            if (known != nullptr && known->inUse) return known->handle;
        }
        return lend(kind, channel, block);
    }
    // The values at their current address, to change or only to read. The next relocation
    // invalidates them, and so, in a paged recording, does making more than the cache's number of
    // other blocks present.
    std::span<float> values(DataKind kind, int16_t channel, int16_t block) const;
    std::span<const float> readValues(DataKind kind, int16_t channel, int16_t block) const;
    // Stores a whole block's values without keeping them in memory where the recording pages.
    void writeValues(DataKind kind, int16_t channel, int16_t block, std::span<const float> values);
    // The store already holds the `kind` values of every block of the channel, as a store over a
    // block-structured input file does: they are loaded from it, never written. Call it once the
    // blocks are added.
    void heldByStore(DataKind kind, int16_t channel);
    // The channel's `kind` values are gone for good: its blocks in memory are freed without being
    // stored, the store gives back their room, and every block reads as new from then on. Throws
    // std::logic_error while one of them is lent to the module.
    void dropValues(DataKind kind, int16_t channel);
    // The blocks handed to the module during a top-level call are no longer in use.
    void endOfCall() const;
    std::size_t blocksInMemory() const { return present_.size(); }

    // Unavailable blocks keep their data but are not handed to the module.
    void setAvailable(DataKind kind, int16_t channel, int16_t block, bool available);
    bool isAvailable(DataKind kind, int16_t channel, int16_t block) const {
        return (flags(channel, block) & (kind == DataKind::raw ? rawUnavailable : computedUnavailable)) == 0;
    }

private:
    struct Block {
        int16_t length;
        double sampleInterval;
        int32_t start;
    };
    struct Run {
        int32_t first;
        int32_t last;
    };
    using Key = uint32_t;  // kind, channel and block of one block's data
    struct Present {
        sg::Handle handle;
        bool inUse = false;
        bool changed = false;  // since it was last stored
        // In the cache (the blocks not in use, most recent first) or among the blocks in use.
        std::list<Key>::iterator slot;
    };
    // Per channel and block: availability, whether the store holds the block, and its data where
    // it is in memory (by kind), so that serving a block takes no lookup.
    enum Flag : uint8_t { rawUnavailable = 1, computedUnavailable = 2, rawStored = 4, computedStored = 8 };
    struct BlockState {
        uint8_t flags = 0;
        Present* present[2] = {nullptr, nullptr};
    };

    bool blockHolds(std::size_t at, int32_t index) const {
        return at < blocks_.size() && index >= blocks_[at].start && index - blocks_[at].start < blocks_[at].length;
    }
    // Makes the block that holds the index the first found, false when it lies outside the data.
    bool searchBlock(int32_t index) const;
    void searchRun(int32_t index) const;
    static Key keyOf(DataKind kind, int16_t channel, int16_t block);
    BlockState& state(int16_t channel, int16_t block) const { return states_.at(channel - 1).at(block - 1); }
    uint8_t& flags(int16_t channel, int16_t block) const { return state(channel, block).flags; }
    Present& present(DataKind kind, int16_t channel, int16_t block) const;
    sg::Handle freshHandle(DataKind kind, int16_t channel, int16_t block) const;
    void markInUse(Present& entry) const;
    sg::Handle lend(DataKind kind, int16_t channel, int16_t block) const;
    void shrinkCache() const;
    void evict(Key key) const;

    HostMemory& memory_;
    std::vector<ChannelDescription> channels_;
    std::vector<Block> blocks_;
    std::vector<Run> runs_;
    mutable std::vector<std::vector<BlockState>> states_;  // [channel - 1][block - 1]
    std::unique_ptr<BlockStore> store_;
    std::size_t cachedBlocks_ = 0;
    // Paging in is part of serving a read, so the blocks held in memory change under const access.
    mutable std::unordered_map<Key, Present> present_;
    mutable std::list<Key> cache_;
    mutable std::list<Key> inUse_;  // most recently taken first
    // Where the last two indices were found, the latest first: a module reads block after block,
    // and back and forth across one boundary.
    mutable std::size_t blocksFound_[2] = {0, 0};
    mutable std::size_t lastRunFound_ = 0;
};

}  // namespace refhost
