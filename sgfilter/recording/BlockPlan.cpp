#include "recording/BlockPlan.h"

#include <fmt/format.h>

#include <algorithm>

#include "util/Errors.h"

namespace sgf {

namespace {

std::size_t blocksNeeded(const std::vector<DataRun>& runs, int samplesPerBlock) {
    const auto size = static_cast<std::size_t>(samplesPerBlock);
    std::size_t count = 0;
    for (const DataRun& run : runs) count += (run.rowCount + size - 1) / size;
    return count;
}

// The smallest size from the default up whose blocks the host can number; the count falls as the
// size grows, so a binary search finds it.
int chosenSize(const std::vector<DataRun>& runs) {
    if (blocksNeeded(runs, kDefaultSamplesPerBlock) <= kMostBlocks) return kDefaultSamplesPerBlock;
    const std::size_t most = blocksNeeded(runs, kMostSamplesPerBlock);
    if (most > kMostBlocks) {
        std::size_t samples = 0;
        for (const DataRun& run : runs) samples += run.rowCount;
        throw UsageError(fmt::format(
            "the recording has {} samples in {} run{}, which need {} blocks even of {} samples, more than the {} the "
            "host can number; split the recording into parts",
            samples, runs.size(), runs.size() == 1 ? "" : "s", most, kMostSamplesPerBlock, kMostBlocks));
    }
    int low = kDefaultSamplesPerBlock;  // too small
    int high = kMostSamplesPerBlock;    // large enough
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (blocksNeeded(runs, middle) <= kMostBlocks ? high : low) = middle;
    }
    return high;
}

}  // namespace

BlockPlan planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock) {
    if (samplesPerBlock == 0) samplesPerBlock = chosenSize(runs);
    const std::size_t blockCount = blocksNeeded(runs, samplesPerBlock);
    if (blockCount > kMostBlocks) {
        throw UsageError(
            fmt::format("the recording needs {} blocks of {} samples, more than the {} the host can "
                        "hold; use a larger --block-size (at most {}), or leave it out to have one chosen",
                        blockCount, samplesPerBlock, kMostBlocks, kMostSamplesPerBlock));
    }
    const auto size = static_cast<std::size_t>(samplesPerBlock);
    BlockPlan plan{samplesPerBlock, {}};
    plan.blocks.reserve(blockCount);
    for (const DataRun& run : runs) {
        for (std::size_t offset = 0; offset < run.rowCount; offset += size) {
            const auto length = static_cast<int16_t>(std::min(size, run.rowCount - offset));
            plan.blocks.push_back({run.firstRow + offset, length, offset == 0});
        }
    }
    return plan;
}

}  // namespace sgf
