#include <gtest/gtest.h>

#include <tuple>

#include <cmath>

#include "csv/RunSplitting.h"
#include "recording/BlockPlan.h"
#include "sgfilter/CollectedRows.h"
#include "util/Errors.h"

namespace sgf {
namespace {

RunLayout splitIntoRuns(const std::vector<double>& times, int timeDecimals, std::vector<std::size_t> breaks = {},
                        std::size_t mostRuns = kMostBlocks) {
    return splitIntoRuns(testing::CollectedRows::timeColumnOf(times, timeDecimals, std::move(breaks)), mostRuns);
}

std::vector<double> millisecondTimes(std::initializer_list<std::pair<int, int>> stretches) {
    std::vector<double> times;
    for (const auto& [first, end] : stretches) {
        for (int ms = first; ms < end; ++ms) times.push_back(ms / 1000.0);
    }
    return times;
}

std::vector<std::pair<std::size_t, std::size_t>> runsOf(const RunLayout& layout) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const DataRun& run : layout.runs) runs.emplace_back(run.firstRow, run.rowCount);
    return runs;
}

TEST(RunLayout, AGapInTimeOrABlankLineStartsANewRun) {
    const RunLayout layout = splitIntoRuns(millisecondTimes({{0, 100}, {150, 200}, {200, 230}}), 3, {150});
    EXPECT_EQ(runsOf(layout), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 100}, {100, 50}, {150, 30}}));
    EXPECT_NEAR(layout.sampleInterval, 0.001, 1e-15);
}

TEST(RunLayout, ASingleMissingSampleOrAShortStepBreaksTheRun) {
    std::vector<double> times = millisecondTimes({{0, 10}, {11, 20}});
    times.push_back(0.0195);  // half a step after the last
    const RunLayout layout = splitIntoRuns(times, 4);
    EXPECT_EQ(runsOf(layout), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 10}, {10, 9}, {19, 1}}));
}

TEST(RunLayout, TimesRoundedCoarselyStillFormOneRunWithTheTrueInterval) {
    // 3 kHz written to 0.1 ms: steps of 0.3 and 0.4 ms.
    std::vector<double> times;
    for (int sample = 0; sample < 3000; ++sample) times.push_back(std::round(sample * 10 / 3.0) / 10000.0);
    const RunLayout layout = splitIntoRuns(times, 4);
    ASSERT_EQ(layout.runs.size(), 1u);
    EXPECT_NEAR(layout.sampleInterval, 1.0 / 3000.0, 1e-7);
}

TEST(RunLayout, TheIntervalIsNotFooledByEarlyGaps) {
    // Every tenth step is a gap of three intervals: the median step is still one interval.
    std::vector<double> times;
    for (int ms = 0; ms < 400; ms += (ms % 10 == 9) ? 3 : 1) times.push_back(ms / 1000.0);
    const RunLayout layout = splitIntoRuns(times, 3);
    EXPECT_NEAR(layout.sampleInterval, 0.001, 1e-12);
    EXPECT_GT(layout.runs.size(), 30u);
}

TEST(RunLayout, NeedsTwoConsecutiveRows) {
    EXPECT_THROW(splitIntoRuns(std::vector<double>{0.5}, 1), InputError);
    EXPECT_THROW(splitIntoRuns(std::vector<double>{0.5, 0.6, 0.7}, 1, {1, 2}), InputError);
}

TEST(BlockPlan, CutsEachRunIntoBlocksThatContinueOneAnother) {
    const std::vector<PlannedBlock> blocks = planBlocks({{0, 10}, {10, 4}, {14, 3}}, 4).blocks;
    ASSERT_EQ(blocks.size(), 5u);
    const std::size_t firstRows[] = {0, 4, 8, 10, 14};
    const int16_t lengths[] = {4, 4, 2, 4, 3};
    const bool startsRun[] = {true, false, false, true, true};
    for (std::size_t index = 0; index < blocks.size(); ++index) {
        EXPECT_EQ(blocks[index].firstRow, firstRows[index]);
        EXPECT_EQ(blocks[index].length, lengths[index]);
        EXPECT_EQ(blocks[index].startsRun, startsRun[index]);
    }
}

TEST(RunLayout, RefusesMoreRunsThanTheHostCanHold) {
    // Every other step is a gap: four runs of two rows and a last one of one row.
    const std::vector<double> times = millisecondTimes({{0, 2}, {5, 7}, {10, 12}, {15, 17}, {20, 21}});
    EXPECT_EQ(splitIntoRuns(times, 3, {}, 5).runs.size(), 5u);
    EXPECT_THROW(splitIntoRuns(times, 3, {}, 4), InputError);
}

TEST(BlockPlan, RefusesMoreBlocksThanTheHostCanNumber) {
    EXPECT_NO_THROW(planBlocks({{0, 32767}}, 1));
    EXPECT_THROW(planBlocks({{0, 32768}}, 1), UsageError);
}

TEST(BlockPlan, PagesWithTheLargestBlocksUnlessTold) {
    EXPECT_EQ(kDefaultSamplesPerBlock, kMostSamplesPerBlock);
    // 140 million samples: 4,273 blocks of the largest size, the last one shorter.
    const BlockPlan plan = planBlocks({{0, 140'000'000}}, 0);
    EXPECT_EQ(plan.samplesPerBlock, 32767);
    EXPECT_EQ(plan.blocks.size(), 4273u);
    EXPECT_EQ(plan.blocks.back().length, 140'000'000 - 4272 * 32767);
    EXPECT_EQ(planBlocks({{0, 140'000'000}}, 5000).samplesPerBlock, 5000);
    // Each run ends in a block of its own, which counts toward what the host can number.
    EXPECT_EQ(planBlocks({{0, std::size_t{32767} * 32766}, {std::size_t{32767} * 32766, 1}}, 0).blocks.size(), kMostBlocks);
    EXPECT_THROW(planBlocks({{0, std::size_t{32767} * 32767}, {std::size_t{32767} * 32767, 1}}, 0), UsageError);
    // More than the largest blocks can hold, or than the given size can: refused with the reason.
    EXPECT_THROW(planBlocks({{0, std::size_t{32767} * 32767 + 1}}, 0), UsageError);
    EXPECT_THROW(planBlocks({{0, 140'000'000}}, 4096), UsageError);
}

TEST(BlockPlan, GivesEveryRateItsOwnBlocksOverTheSameStretchesOfTime) {
    // Ticks of 5 and 1 samples (100 Hz and 20 Hz in ticks of 50 ms), blocks of 3 ticks.
    const BlockPlan plan = planBlocks({{0, 7}, {7, 2}}, 15, {5, 1});
    EXPECT_EQ(plan.samplesPerBlock, 15);
    ASSERT_EQ(plan.blocksPerRate(), 4u);
    // Rate after rate in the host: the slow rate's blocks follow all of the fast rate's.
    EXPECT_EQ(plan.blockNumber(0, 3), 4);
    EXPECT_EQ(plan.blockNumber(1, 0), 5);
    const PlannedBlock fast = plan.blockOf(0, 2);
    const PlannedBlock slow = plan.blockOf(1, 2);
    EXPECT_EQ(std::tuple(fast.firstRow, fast.length, fast.startsRun), std::tuple(30u, int16_t{5}, false));
    EXPECT_EQ(std::tuple(slow.firstRow, slow.length, slow.startsRun), std::tuple(6u, int16_t{1}, false));
    EXPECT_TRUE(plan.blockOf(1, 3).startsRun);
    EXPECT_EQ(plan.firstSampleOf(1), 45);
    EXPECT_EQ(plan.sampleCount(), 54);

    // A size that is no whole number of ticks is rounded down to one; one below a tick is refused.
    EXPECT_EQ(planBlocks({{0, 9}}, 12, {5, 1}).samplesPerBlock, 10);
    EXPECT_THROW(planBlocks({{0, 9}}, 4, {5, 1}), UsageError);
    // The default holds as many whole ticks as the largest block takes of the fastest rate; the
    // host numbers every rate's blocks, so two rates reach its limit at half the length.
    EXPECT_EQ(planBlocks({{0, 1000}}, 0, {256, 1}).samplesPerBlock, 127 * 256);
    EXPECT_EQ(planBlocks({{0, 4000}}, 0, {10, 1}).samplesPerBlock, 32760);
    EXPECT_EQ(planBlocks({{0, std::size_t{3276} * 16384}}, 0, {10}).blocks.size(), 16384u);
    EXPECT_THROW(planBlocks({{0, std::size_t{3276} * 16384}}, 0, {10, 1}), UsageError);
    EXPECT_THROW(planBlocks({{0, 10}}, 0, {40000, 1}), UsageError);
}

}  // namespace
}  // namespace sgf
