// Index arithmetic across blocks and runs, and the records the data services fill.
#include <bit>
#include <cmath>
#include <cstring>

#include "FakeModule.h"
#include "refhost/Scaling.h"
#include "module/settings/ChannelInfo.h"

using namespace sg::service;
using refhost::DataKind;
using refhost::RunBoundary;

namespace {

// Two runs: blocks 1-2 (samples 0..149) and blocks 3-4 (samples 150..199).
class RecordingTest : public HostTest {
protected:
    RecordingTest() {
        auto& recording = host.recording();
        recording.addChannel({"Pressure", "Arterial pressure", refhost::convertedScaling(0.5, 200.0, -10.0, "mmHg", 1),
                              refhost::nativeScaling(3.0, "V", 3)});
        recording.addBlock(100, 0.001, RunBoundary::startsRun);
        recording.addBlock(50, 0.001, RunBoundary::continuesRun);
        recording.addBlock(30, 0.002, RunBoundary::startsRun);
        recording.addBlock(20, 0.002, RunBoundary::continuesRun);
        recording.addChannel({"Flow", "Flow", refhost::nativeScaling(1.0, "l/s", 2), refhost::nativeScaling(1.0, "l/s", 2)});
    }
    void* context() { return host.dataContext(); }
};


TEST_F(RecordingTest, IndicesRunOnAcrossBlocksAndRunsEndWhereTheyAreMarked) {
    duringCall([&](sg::HostCallbacks* table) {
        const sg::DataPosition inSecond{2, 10};
        const sg::DataPosition startOfThird{3, 0};
        EXPECT_EQ(fake::call<PositionToIndex>(table, context(), &inSecond), 110);
        EXPECT_EQ(fake::call<PositionToIndex>(table, context(), &startOfThird), 150);

        sg::DataPosition position{};
        fake::call<IndexToPosition>(table, context(), 149, &position);
        EXPECT_EQ(position.block, 2);
        EXPECT_EQ(position.offset, 49);
        fake::call<IndexToPosition>(table, context(), 199, &position);
        EXPECT_EQ(position.block, 4);
        EXPECT_EQ(position.offset, 19);

        int32_t first = 0;
        int32_t last = 0;
        fake::call<GetContiguousRange>(table, context(), 120, &first, &last);
        EXPECT_EQ(first, 0);
        EXPECT_EQ(last, 149);
        fake::call<GetContiguousRange>(table, context(), 150, &first, &last);
        EXPECT_EQ(first, 150);
        EXPECT_EQ(last, 199);
    });
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(RecordingTest, PositionsOutsideTheRecordingAreMisbehaviour) {
    duringCall([&](sg::HostCallbacks* table) {
        const sg::DataPosition blockZero{0, 0};
        const sg::DataPosition pastEnd{1, 100};
        fake::call<PositionToIndex>(table, context(), &blockZero);
        fake::call<PositionToIndex>(table, context(), &pastEnd);
        sg::DataPosition position{7, 7};
        fake::call<IndexToPosition>(table, context(), 200, &position);
        EXPECT_EQ(position.block, 0);
        int32_t first = 0;
        int32_t last = 0;
        fake::call<GetContiguousRange>(table, context(), -1, &first, &last);
        fake::call<GetBlockLength>(table, context(), 5);
    });
    EXPECT_EQ(misbehaviour().size(), 5u);
}

TEST_F(RecordingTest, NarrowedResultsCarryGarbageInTheBitsToIgnore) {
    host.recording().setAvailable(DataKind::raw, 1, 2, false);
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(static_cast<uint32_t>(fake::call<GetBlockLength>(table, context(), 2)), 0x5A5A0032u);
        EXPECT_EQ(fake::call<RawBlockAvailable>(table, context(), 1, 1), 0x5A01);
        EXPECT_EQ(fake::call<RawBlockAvailable>(table, context(), 1, 2), 0x5A00);
        EXPECT_EQ(fake::call<ComputedBlockAvailable>(table, context(), 1, 2), 0x5A01);
        EXPECT_EQ(static_cast<uint32_t>(fake::call<GetHostValue>(table, refhost::kHostValueChannelCount)), 0x5A5A0002u);
    });
    host.options().noisyResults = false;
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<GetBlockLength>(table, context(), 2), 50);
        EXPECT_EQ(fake::call<RawBlockAvailable>(table, context(), 1, 2), 0);
        EXPECT_EQ(fake::call<GetHostValue>(table, refhost::kHostValueChannelCount), 2);
    });
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(RecordingTest, RecordsCarryTheirValuesAndAPatternElsewhere) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::BlockInfo info;
        fake::call<GetBlockInfo>(table, context(), 3, &info);
        const double interval = info.sampleInterval;  // packed fields cannot bind to references
        EXPECT_EQ(interval, 0.002);
        EXPECT_EQ(info.hostPrivate[0], info.hostPrivateTail[0]);

        sg::ChannelScaling scaling;
        fake::call<GetRawScaling>(table, context(), 1, 4, &scaling);
        EXPECT_EQ(std::memcmp(&scaling, &host.recording().channel(1).rawScaling, sizeof scaling), 0);
        EXPECT_EQ(scaling.hasConversion, 1);
        const double baseFactor = scaling.baseFactor;
        EXPECT_EQ(baseFactor, 0.5);
        fake::call<GetComputedScaling>(table, context(), 1, 4, &scaling);
        EXPECT_EQ(scaling.hasConversion, 0);
        const double nativeFactor = scaling.nativeFactor;
        EXPECT_EQ(nativeFactor, 3.0);
        EXPECT_EQ(scaling.nativeUnitsText[0], 1);

        sg::ChannelInfo channelInfo;
        fake::call<GetRawChannelInfo>(table, context(), 2, 1, &channelInfo);
        const int16_t rawMark = channelInfo.filledByExtension;
        EXPECT_NE(rawMark, 1);
        fake::call<GetComputedChannelInfo>(table, context(), 2, 1, &channelInfo);
        const int16_t computedMark = channelInfo.filledByExtension;
        EXPECT_NE(computedMark, 1);

        sg::Str255 text;
        fake::call<GetChannelTitle>(table, 1, text);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "Arterial pressure");
        fake::call<GetChannelName>(table, 2, text);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "Flow");
        fake::call<GetChannelName>(table, 3, text);
        EXPECT_EQ(text[0], 0);
    });
    EXPECT_EQ(misbehaviour().size(), 1u) << "channel 3 does not exist";
}

TEST_F(RecordingTest, ChannelsAddedLateGetDataForEveryBlock) {
    const auto computed = host.recording().values(DataKind::computed, 2, 3);
    ASSERT_EQ(computed.size(), 30u);
    EXPECT_EQ(std::bit_cast<uint32_t>(computed[29]), refhost::kUnwrittenSampleBits);
    EXPECT_TRUE(std::isnan(computed[0]));
    EXPECT_EQ(host.recording().values(DataKind::raw, 2, 4).size(), 20u);
}

TEST(RecordingSetup, RejectsImpossibleBlocks) {
    refhost::MisbehaviourLog log;
    refhost::HostMemory memory(log);
    refhost::Recording recording(memory);
    EXPECT_THROW(recording.addBlock(10, 0.1, RunBoundary::continuesRun), std::invalid_argument);
    EXPECT_THROW(recording.addBlock(0, 0.1, RunBoundary::startsRun), std::invalid_argument);
    EXPECT_EQ(recording.addBlock(32767, 0.1, RunBoundary::startsRun), 1);
    EXPECT_EQ(recording.runContaining(32766), std::make_pair(0, 32766));
}

}  // namespace
