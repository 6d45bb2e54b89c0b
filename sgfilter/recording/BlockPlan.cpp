#include "recording/BlockPlan.h"

#include <fmt/format.h>

#include <algorithm>

#include "util/Errors.h"

namespace sgf {

std::vector<PlannedBlock> planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock) {
    const auto size = static_cast<std::size_t>(samplesPerBlock);
    std::size_t blockCount = 0;
    for (const DataRun& run : runs) blockCount += (run.rowCount + size - 1) / size;
    if (blockCount > kMostBlocks) {
        throw UsageError(
            fmt::format("the recording needs {} blocks of {} samples, more than the {} the host can "
                        "hold; use a larger --block-size (at most {})",
                        blockCount, samplesPerBlock, kMostBlocks, kMostSamplesPerBlock));
    }
    std::vector<PlannedBlock> blocks;
    blocks.reserve(blockCount);
    for (const DataRun& run : runs) {
        for (std::size_t offset = 0; offset < run.rowCount; offset += size) {
            const auto length = static_cast<int16_t>(std::min(size, run.rowCount - offset));
            blocks.push_back({run.firstRow + offset, length, offset == 0});
        }
    }
    return blocks;
}

}  // namespace sgf
