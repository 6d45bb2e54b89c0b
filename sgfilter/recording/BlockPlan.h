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

// Throws UsageError when the recording needs more blocks than the host can number.
std::vector<PlannedBlock> planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock);

}  // namespace sgf
