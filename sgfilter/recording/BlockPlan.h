// How the runs of a recording are paged into the host's numbered blocks. Like a recording host,
// we cut each run into blocks of a fixed size that continue one another, so a filter window
// crosses block boundaries inside a run and stops only at the run's ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "csv/RunLayout.h"

namespace sgf {

inline constexpr int kMostSamplesPerBlock = 32767;
inline constexpr int kDefaultSamplesPerBlock = 4096;
inline constexpr std::size_t kMostBlocks = 32767;

struct PlannedBlock {
    std::size_t firstRow;
    int16_t length;
    bool startsRun;
};

struct BlockPlan {
    int samplesPerBlock;
    std::vector<PlannedBlock> blocks;
};

// With `samplesPerBlock` 0 the plan uses the default size, or the smallest larger one that keeps
// the blocks within what the host can number. Throws UsageError when the given size, or even the
// largest, needs more blocks than that.
BlockPlan planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock);

}  // namespace sgf
