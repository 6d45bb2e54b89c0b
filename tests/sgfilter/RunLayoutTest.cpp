#include <gtest/gtest.h>

#include <cmath>

#include "csv/RunLayout.h"
#include "recording/BlockPlan.h"
#include "util/Errors.h"

namespace sgf {
namespace {

CsvTable tableOf(std::vector<double> times, int timeDecimals, std::vector<std::size_t> breaks = {}) {
    CsvTable table;
    table.file = "r.csv";
    table.times = std::move(times);
    table.timeDecimals = timeDecimals;
    table.blankLineBreaks = std::move(breaks);
    return table;
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
    const CsvTable table = tableOf(millisecondTimes({{0, 100}, {150, 200}, {200, 230}}), 3, {150});
    const RunLayout layout = splitIntoRuns(table);
    EXPECT_EQ(runsOf(layout), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 100}, {100, 50}, {150, 30}}));
    EXPECT_NEAR(layout.sampleInterval, 0.001, 1e-15);
}

TEST(RunLayout, ASingleMissingSampleOrAShortStepBreaksTheRun) {
    std::vector<double> times = millisecondTimes({{0, 10}, {11, 20}});
    times.push_back(0.0195);  // half a step after the last
    const RunLayout layout = splitIntoRuns(tableOf(times, 4));
    EXPECT_EQ(runsOf(layout), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 10}, {10, 9}, {19, 1}}));
}

TEST(RunLayout, TimesRoundedCoarselyStillFormOneRunWithTheTrueInterval) {
    // 3 kHz written to 0.1 ms: steps of 0.3 and 0.4 ms.
    std::vector<double> times;
    for (int sample = 0; sample < 3000; ++sample) times.push_back(std::round(sample * 10 / 3.0) / 10000.0);
    const RunLayout layout = splitIntoRuns(tableOf(times, 4));
    ASSERT_EQ(layout.runs.size(), 1u);
    EXPECT_NEAR(layout.sampleInterval, 1.0 / 3000.0, 1e-7);
}

TEST(RunLayout, TheIntervalIsNotFooledByEarlyGaps) {
    // Every tenth step is a gap of three intervals: the median step is still one interval.
    std::vector<double> times;
    for (int ms = 0; ms < 400; ms += (ms % 10 == 9) ? 3 : 1) times.push_back(ms / 1000.0);
    const RunLayout layout = splitIntoRuns(tableOf(times, 3));
    EXPECT_NEAR(layout.sampleInterval, 0.001, 1e-12);
    EXPECT_GT(layout.runs.size(), 30u);
}

TEST(RunLayout, NeedsTwoConsecutiveRows) {
    EXPECT_THROW(splitIntoRuns(tableOf({0.5}, 1)), InputError);
    EXPECT_THROW(splitIntoRuns(tableOf({0.5, 0.6, 0.7}, 1, {1, 2})), InputError);
}

TEST(BlockPlan, CutsEachRunIntoBlocksThatContinueOneAnother) {
    const std::vector<PlannedBlock> blocks = planBlocks({{0, 10}, {10, 4}, {14, 3}}, 4);
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

TEST(BlockPlan, RefusesMoreBlocksThanTheHostCanNumber) {
    EXPECT_NO_THROW(planBlocks({{0, 32767}}, 1));
    EXPECT_THROW(planBlocks({{0, 32768}}, 1), UsageError);
}

}  // namespace
}  // namespace sgf
