#include "recording/BlockPlan.h"

#include <fmt/format.h>

#include <algorithm>

#include "util/Errors.h"

namespace sgf {

namespace {

std::size_t blocksNeeded(const std::vector<DataRun>& runs, std::size_t ticksPerBlock, std::size_t rateCount) {
    std::size_t count = 0;
    for (const DataRun& run : runs) count += (run.rowCount + ticksPerBlock - 1) / ticksPerBlock;
    return count * rateCount;
}

std::string atRates(std::size_t rateCount) {
    return rateCount == 1 ? "" : fmt::format(" (each of the {} rates read has its own blocks)", rateCount);
}

}  // namespace

PlannedBlock BlockPlan::blockOf(std::size_t rate, std::size_t index) const {
    const std::size_t scale = samplesPerTick.at(rate);
    const PlannedBlock& ticks = blocks.at(index);
    return {ticks.firstRow * scale, static_cast<int16_t>(static_cast<std::size_t>(ticks.length) * scale), ticks.startsRun};
}

int32_t BlockPlan::firstSampleOf(std::size_t rate) const {
    std::size_t ticks = 0;
    for (const PlannedBlock& block : blocks) ticks += static_cast<std::size_t>(block.length);
    std::size_t first = 0;
    for (std::size_t earlier = 0; earlier < rate; ++earlier) first += ticks * samplesPerTick.at(earlier);
    return static_cast<int32_t>(first);
}

bool blocksFit(const std::vector<DataRun>& runs, int samplesPerBlock, const std::vector<std::size_t>& samplesPerTick) {
    const std::size_t fastest = std::ranges::max(samplesPerTick);
    if (static_cast<std::size_t>(samplesPerBlock) < fastest) return false;
    return blocksNeeded(runs, static_cast<std::size_t>(samplesPerBlock) / fastest, samplesPerTick.size()) <= kMostBlocks;
}

BlockPlan planBlocks(const std::vector<DataRun>& runs, int samplesPerBlock, const std::vector<std::size_t>& samplesPerTick) {
    const std::size_t fastest = std::ranges::max(samplesPerTick);
    const std::size_t rateCount = samplesPerTick.size();
    if (fastest > static_cast<std::size_t>(kMostSamplesPerBlock)) {
        throw UsageError(fmt::format("the rates read share no stretch of time shorter than {} samples of the fastest, "
                                     "more than a block holds ({}); filter each rate in a run of its own",
                                     fastest, kMostSamplesPerBlock));
    }
    if (samplesPerBlock != 0 && static_cast<std::size_t>(samplesPerBlock) < fastest) {
        throw UsageError(fmt::format("a block of the rates read holds a multiple of {} samples of the fastest; use a "
                                     "--block-size of at least that",
                                     fastest));
    }
    const std::size_t ticksPerBlock =
        static_cast<std::size_t>(samplesPerBlock == 0 ? kDefaultSamplesPerBlock : samplesPerBlock) / fastest;
    const std::size_t blockCount = blocksNeeded(runs, ticksPerBlock, rateCount);
    // No larger size in whole ticks is left to suggest.
    const bool largest = (ticksPerBlock + 1) * fastest > static_cast<std::size_t>(kMostSamplesPerBlock);
    if (blockCount > kMostBlocks && largest) {
        std::size_t ticks = 0;
        for (const DataRun& run : runs) ticks += run.rowCount;
        throw UsageError(fmt::format(
            "the recording has {} samples in {} run{}, which need {} blocks even of {} samples{}, more than the {} the "
            "host can number; split the recording into parts",
            ticks * fastest, runs.size(), runs.size() == 1 ? "" : "s", blockCount, ticksPerBlock * fastest,
            atRates(rateCount), kMostBlocks));
    }
    if (blockCount > kMostBlocks) {
        throw UsageError(
            fmt::format("the recording needs {} blocks of {} samples{}, more than the {} the host can "
                        "hold; use a larger --block-size (at most {}), or leave it out",
                        blockCount, ticksPerBlock * fastest, atRates(rateCount), kMostBlocks, kMostSamplesPerBlock));
    }
    BlockPlan plan{static_cast<int>(ticksPerBlock * fastest), samplesPerTick, {}};
    plan.blocks.reserve(blockCount / rateCount);
    for (const DataRun& run : runs) {
        for (std::size_t offset = 0; offset < run.rowCount; offset += ticksPerBlock) {
            const auto length = static_cast<int16_t>(std::min(ticksPerBlock, run.rowCount - offset));
            plan.blocks.push_back({run.firstRow + offset, length, offset == 0});
        }
    }
    return plan;
}

}  // namespace sgf
