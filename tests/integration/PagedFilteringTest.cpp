// The module computes the same bits whether the host holds the whole recording or pages it
// through a store with the smallest cache, with every stress mode on: windows that cross many
// blocks, runs that break inside a block, and a stage that reads another's computed values.
#include <algorithm>
#include <bit>
#include <cmath>

#include "integration/ModuleFixture.h"
#include "refhost/FileBlockStore.h"
#include "sgfilter/TempFolder.h"

namespace sgtest {
namespace {

using refhost::DataKind;

struct ChainedResult {
    std::vector<uint32_t> smoothed;
    std::vector<uint32_t> derivative;
    std::size_t mostBlocksInMemory = 0;
};

// Blocks of 7 samples (a window of 25 spans four of them) in two runs, the second broken once
// more inside a block; channel 2 smooths channel 1, channel 3 differentiates channel 2. A cache
// of 0 blocks holds the whole recording in memory.
ChainedResult FilterChain(std::size_t cachedBlocks) {
    sgf::testing::TempFolder folder;
    refhost::ReferenceHost host;
    host.loadModule(ModulePath());
    refhost::Recording& recording = host.recording();
    const auto addChannel = [&](const std::string& name) {
        const sg::ChannelScaling scaling = refhost::nativeScaling(1.0, "mV", 3);
        return recording.addChannel({name, name, scaling, scaling});
    };
    const int16_t source = addChannel("signal");
    for (int block = 0; block < 31; ++block) {
        recording.addBlock(7, 0.001, block % 20 == 0 ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
    }
    recording.breakRunAt(20 * 7 + 40);
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        std::vector<float> raw;
        for (int32_t i = recording.blockStart(block); i < recording.blockStart(block) + 7; ++i) {
            raw.push_back(0.4f * std::sin(0.05f * static_cast<float>(i)) + 0.01f * static_cast<float>(i % 5));
        }
        recording.writeValues(DataKind::raw, source, block, raw);
    }
    const int16_t smoothed = addChannel("smoothed");
    const int16_t derivative = addChannel("derivative");
    if (cachedBlocks > 0) recording.pageThrough(std::make_unique<refhost::FileBlockStore>(folder.path()), cachedBlocks);

    auto smoothing = *refhost::ChannelComputation::create(host, smoothed);
    smoothing.setParameter(sg::kParamSourceChannel, source);
    smoothing.setParameter(sg::kParamWindowWidth, 25);
    auto differentiating = *refhost::ChannelComputation::create(host, derivative);
    differentiating.setParameter(sg::kParamSourceChannel, smoothed);
    differentiating.setParameter(sg::kParamUseComputedSource, 1);
    differentiating.setParameter(sg::kParamDerivativeOrder, 1);
    differentiating.setParameter(sg::kParamWindowWidth, 25);

    ChainedResult result;
    for (refhost::ChannelComputation* stage : {&smoothing, &differentiating}) {
        for (int16_t block = 1; block <= recording.blockCount(); ++block) {
            stage->computeBlock(block);
            result.mostBlocksInMemory = std::max(result.mostBlocksInMemory, recording.blocksInMemory());
        }
    }
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        for (const float value : recording.readValues(DataKind::computed, smoothed, block)) {
            result.smoothed.push_back(std::bit_cast<uint32_t>(value));
        }
        for (const float value : recording.readValues(DataKind::computed, derivative, block)) {
            result.derivative.push_back(std::bit_cast<uint32_t>(value));
        }
    }
    for (const std::string& entry : host.misbehaviour().entries()) ADD_FAILURE() << "host saw: " << entry;
    EXPECT_EQ(host.holds().held(), 0);
    return result;
}

TEST(PagedFiltering, GivesTheBitsOfTheWholeRecordingInMemoryWithAnyCache) {
    const ChainedResult inMemory = FilterChain(0);
    ASSERT_EQ(inMemory.smoothed.size(), 31u * 7u);
    // Raw and computed blocks of all three channels: the host's source checks read every one.
    EXPECT_EQ(inMemory.mostBlocksInMemory, 6u * 31u);
    EXPECT_FALSE(std::ranges::any_of(inMemory.derivative, [](uint32_t bits) { return bits == refhost::kUnwrittenSampleBits; }));
    for (const std::size_t cached : {std::size_t{1}, std::size_t{3}}) {
        const ChainedResult paged = FilterChain(cached);
        EXPECT_EQ(paged.smoothed, inMemory.smoothed) << "cache of " << cached;
        EXPECT_EQ(paged.derivative, inMemory.derivative) << "cache of " << cached;
        // Between calls only the cache stays.
        EXPECT_LE(paged.mostBlocksInMemory, cached) << "cache of " << cached;
    }
}

}  // namespace
}  // namespace sgtest
