// The recording the host serves to the module: channels numbered from 1, blocks numbered from 1,
// absolute sample indices that run on across blocks, and runs of contiguous data that may span
// several blocks. Each channel's raw samples and computed values live per block in relocatable
// guarded handles owned by the host.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "filter/ChannelScaling.h"
#include "host/HostRecords.h"
#include "host/HostTypes.h"
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
enum class DataKind { raw, computed };

class Recording {
public:
    explicit Recording(HostMemory& memory) : memory_(memory) {}

    // Channels and blocks may be added in any order; each gets its data handles at once.
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
    int32_t sampleCount() const;
    // The block and offset of an absolute index; block 0 when the index lies outside the data.
    sg::DataPosition positionOf(int32_t index) const;
    // First and last absolute index (inclusive) of the run that holds a valid index.
    std::pair<int32_t, int32_t> runContaining(int32_t index) const;
    // Ends the run that holds `index` just before it, so that one block can hold the end of one
    // run and the start of the next.
    void breakRunAt(int32_t index);

    sg::Handle dataHandle(DataKind kind, int16_t channel, int16_t block) const;
    // The values at their current address, which the next relocation invalidates.
    std::span<float> values(DataKind kind, int16_t channel, int16_t block) const;
    // Unavailable blocks keep their data but are not handed to the module.
    void setAvailable(DataKind kind, int16_t channel, int16_t block, bool available);
    bool isAvailable(DataKind kind, int16_t channel, int16_t block) const;

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
    struct BlockData {
        sg::Handle raw = nullptr;
        sg::Handle computed = nullptr;
        bool rawAvailable = true;
        bool computedAvailable = true;
    };
    void allocateData(int16_t channel, int16_t block);
    BlockData& data(int16_t channel, int16_t block) { return data_.at(channel - 1).at(block - 1); }
    const BlockData& data(int16_t channel, int16_t block) const { return data_.at(channel - 1).at(block - 1); }

    HostMemory& memory_;
    std::vector<ChannelDescription> channels_;
    std::vector<Block> blocks_;
    std::vector<Run> runs_;
    std::vector<std::vector<BlockData>> data_;  // [channel - 1][block - 1]
};

}  // namespace refhost
