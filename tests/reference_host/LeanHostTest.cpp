// The host as bulk filtering uses it, without its stress modes or its trace: the services that
// go straight to their work still check what they are given, count every call, throw where a
// fault is planned, find every index however the module walks, and account for every fetch.
#include "FakeModule.h"

using namespace sg::service;
using refhost::DataKind;
using refhost::RunBoundary;

namespace {

class LeanHostTest : public HostTest {
protected:
    LeanHostTest() : HostTest(refhost::HostOptions::forBulkFiltering()) {
        host.recording().addChannel({});
        for (int16_t length : {int16_t{5}, int16_t{7}, int16_t{3}, int16_t{9}}) {
            host.recording().addBlock(length, 0.1, host.recording().blockCount() == 0 ? RunBoundary::startsRun
                                                                                     : RunBoundary::continuesRun);
        }
        host.recording().breakRunAt(9);  // in block 2: runs 0..8 and 9..23
    }
    void* context() { return host.dataContext(); }
};

TEST_F(LeanHostTest, IndicesAndRunsAreFoundHoweverTheModuleWalks) {
    // Forward, back and forth across boundaries, far jumps, and the ends of the data.
    const int32_t walk[] = {0, 4, 5, 4, 5, 11, 12, 23, 0, 14, 15, 14, 8, 9, 12, 5, 23, 4};
    duringCall([&](sg::HostCallbacks* table) {
        for (int32_t index : walk) {
            sg::DataPosition position{-1, -1};
            fake::call<IndexToPosition>(table, context(), index, &position);
            EXPECT_EQ(fake::call<PositionToIndex>(table, context(), &position), index) << index;
            EXPECT_EQ(position.offset, index - host.recording().blockStart(position.block)) << index;
            int32_t first = -1, last = -1;
            fake::call<GetContiguousRange>(table, context(), index, &first, &last);
            EXPECT_EQ(std::pair(first, last), index < 9 ? std::pair(0, 8) : std::pair(9, 23)) << index;
        }
    });
    EXPECT_TRUE(misbehaviour().empty());
    EXPECT_EQ(host.faults().serviceCalls(), 3 * static_cast<int>(std::size(walk)));

    duringCall([&](sg::HostCallbacks* table) {
        sg::DataPosition position{-1, -1};
        fake::call<IndexToPosition>(table, context(), 24, &position);
        EXPECT_EQ(position.block, 0);
        fake::call<GetRawBlock>(table, context(), 2, 1);
        EXPECT_EQ(fake::call<GetBlockLength>(table, context(), 5), 0);
    });
    EXPECT_TRUE(misbehaviourMentions("IndexToPosition was given index 24, outside the recording"));
    EXPECT_TRUE(misbehaviourMentions("GetRawBlock was given channel 2, which does not exist"));
    EXPECT_TRUE(misbehaviourMentions("GetBlockLength was given block 5, which does not exist"));
}

TEST_F(LeanHostTest, CallsOutsideMain1FaultsAndHeldBlocksStillShow) {
    fake::call<ReportProgress>(host.services().callbacks(), 15);
    EXPECT_TRUE(misbehaviourMentions("host service 153 (ReportProgress) was called outside a call of Main1"));

    host.faults().throwOnServiceCall(GetBlockLength::index, 2);
    host.faults().failBlockFetchOnCall(2);
    int thrown = 0;
    duringCall([&](sg::HostCallbacks* table) {
        for (int i = 0; i < 3; ++i) {
            try {
                fake::call<GetBlockLength>(table, context(), 1);
            } catch (const std::runtime_error&) {
                ++thrown;
            }
        }
        EXPECT_NE(fake::call<GetRawBlock>(table, context(), 1, 3), nullptr);
        EXPECT_EQ(fake::call<GetRawBlock>(table, context(), 1, 4), nullptr);
        fake::call<ReleaseRawBlock>(table, context(), 1, 4);
        // Block 3's fetch is left open, and a second fetch of block 2 is released once only.
        fake::call<GetComputedBlock>(table, context(), 1, 2);
        fake::call<GetComputedBlock>(table, context(), 1, 2);
        fake::call<ReleaseComputedBlock>(table, context(), 1, 2);
    });
    EXPECT_EQ(thrown, 1);
    EXPECT_TRUE(misbehaviourMentions("raw block 3 of channel 1 is still held (1 unreleased fetch(es))"));
    EXPECT_TRUE(misbehaviourMentions("computed block 2 of channel 1 is still held (1 unreleased fetch(es))"));
    EXPECT_EQ(host.holds().held(), 0) << "forgotten after the call";
}

}  // namespace
