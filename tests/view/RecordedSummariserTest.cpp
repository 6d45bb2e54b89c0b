// The recorded channels summarised on a thread of their own, from the last block back: each
// block's summaries are those of its own samples, whichever of the two threads made them.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "formats/InputFormats.h"
#include "recording/BlockPlan.h"
#include "sgfilter/TempFolder.h"
#include "util/Extremes.h"
#include "view/RecordedSummariser.h"
#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

constexpr int kSummarisedBlock = 64;

TEST(RecordedSummariserTest, EveryBlockHoldsTheExtremesOfItsOwnSamples) {
    TempFolder folder;
    const std::filesystem::path csv = folder.write("two-runs.csv", twoRunCsv());
    const OpenRequest request{folder.path(), [](const RecordingDescription&) { return std::vector<int>{1, 2}; }, ""};
    const std::unique_ptr<InputRecording> input = openRecording(csv, request);
    const BlockPlan plan = planBlocks(input->layout().runs, kSummarisedBlock);
    ValueSummaries summaries(folder.path(), plan.blocksPerRate(), kSummarisedBlock);
    // The session's own share: every third block of the ecg, claimed before the summariser starts.
    for (std::size_t block = 0; block < plan.blocksPerRate(); block += 3) ASSERT_TRUE(summaries.claim(1, block));
    {
        const RecordedSummariser summariser([&] { return openRecording(csv, request); }, plan, input->channelRates(), summaries);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (std::size_t block = 0; block < plan.blocksPerRate(); ++block) {
            while (!summaries.has(2, block) || (block % 3 != 0 && !summaries.has(1, block))) {
                ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "block " << block << " was never summarised";
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            EXPECT_TRUE(block % 3 != 0 || !summaries.has(1, block)) << "block " << block << " was the session's";
        }
    }
    for (const int16_t channel : {int16_t{1}, int16_t{2}}) {
        std::vector<float> all(input->description().channels[static_cast<std::size_t>(channel - 1)].sampleCount);
        input->readStored(static_cast<std::size_t>(channel - 1), 0, all);
        std::size_t first = 0;
        for (std::size_t block = 0; block < plan.blocksPerRate(); ++block) {
            const auto length = static_cast<std::size_t>(plan.blockOf(0, block).length);
            const std::span<const float> own = std::span(all).subspan(first, length);
            first += length;
            if (!summaries.has(channel, block)) continue;
            const Extremes expected = extremesOf(own);
            EXPECT_EQ(summaries.ofBlock(channel, block).least, expected.least) << "channel " << channel << ", block " << block;
            EXPECT_EQ(summaries.ofBlock(channel, block).greatest, expected.greatest) << "channel " << channel << ", block " << block;
            Extremes stretch{};
            summaries.readStretches(channel, block, ValueSummaries::kStretchSizes[0], std::span(&stretch, 1));
            EXPECT_EQ(stretch.least, expected.least);
        }
        EXPECT_EQ(first, all.size());
    }
}

}  // namespace
}  // namespace sgf::testing
