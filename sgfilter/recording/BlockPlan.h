// How the runs of a recording are paged into the host's numbered blocks. Like a recording host,
// we cut each run into blocks of a fixed size that continue one another, so a filter window
// crosses block boundaries inside a run and stops only at the run's ends. Where channels are read
// at several rates, every rate has its own blocks over the same stretches of time: the host's
// blocks have one sample interval each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/HostLimits.h"
#include "input/RunLayout.h"

namespace sgf {

// The largest: each boundary costs the same host calls whatever the blocks' length, so the fewer
// the blocks, the faster a run is filtered.
inline constexpr int kDefaultSamplesPerBlock = kMostSamplesPerBlock;

struct PlannedBlock {
    std::size_t firstRow;
    int16_t length;
    bool startsRun;
};

struct BlockPlan {
    int samplesPerBlock;                      // of the fastest rate, whose blocks are the longest
    std::vector<std::size_t> samplesPerTick;  // per rate
    std::vector<PlannedBlock> blocks;         // in ticks; each rate has one block for each

    std::size_t blocksPerRate() const { return blocks.size(); }
    // The host numbers the blocks rate after rate: all of the first rate's, then the next's.
    int16_t blockNumber(std::size_t rate, std::size_t index) const {
        return static_cast<int16_t>(rate * blocks.size() + index + 1);
    }
    // Block `index` of rate `rate`, in that rate's rows.
    PlannedBlock blockOf(std::size_t rate, std::size_t index) const;
    // The host's absolute index of the rate's first sample: its samples follow the earlier rates'.
    int32_t firstSampleOf(std::size_t rate) const;
    int32_t sampleCount() const { return firstSampleOf(samplesPerTick.size()); }
};

// `runs` are counted in ticks, of which each rate has `samplesPerTick` samples. `samplesPerBlock`
// is the fastest rate's block size; with 0 the plan uses the default size, in whole ticks. Throws
// UsageError when the size needs more blocks than the host can number.
BlockPlan planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock,
                     const std::vector<std::size_t>& samplesPerTick = {1});
// Whether blocks of `samplesPerBlock` samples of the fastest rate can page the runs.
bool blocksFit(const std::vector<DataRun>& runs, int samplesPerBlock, const std::vector<std::size_t>& samplesPerTick);

}  // namespace sgf
