// Fetch and release accounting, the data-access context, and the checks that sources stay
// unchanged.
#include "FakeModule.h"

using namespace sg::service;
using refhost::DataKind;
using refhost::RunBoundary;

namespace {

class DataBlockTest : public HostTest {
protected:
    explicit DataBlockTest(refhost::HostOptions options = {}) : HostTest(std::move(options)) {
        host.recording().addChannel({});
        host.recording().addChannel({});
        host.recording().addBlock(8, 0.1, RunBoundary::startsRun);
        host.recording().addBlock(8, 0.1, RunBoundary::continuesRun);
    }
    void* context() { return host.dataContext(); }
};


TEST_F(DataBlockTest, BalancedFetchesAreCleanAndCounted) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle raw = fake::call<GetRawBlock>(table, context(), 1, 2);
        EXPECT_EQ(raw, host.recording().dataHandle(DataKind::raw, 1, 2));
        sg::Handle computed = fake::call<GetComputedBlock>(table, context(), 2, 1);
        EXPECT_EQ(computed, host.recording().dataHandle(DataKind::computed, 2, 1));
        EXPECT_EQ(host.holds().held(), 2);
        fake::call<ReleaseComputedBlock>(table, context(), 2, 1);
        fake::call<ReleaseRawBlock>(table, context(), 1, 2);
    });
    EXPECT_TRUE(misbehaviour().empty());
    EXPECT_EQ(host.holds().fetches(DataKind::raw), 1);
    EXPECT_EQ(host.holds().releases(DataKind::computed), 1);
}

TEST_F(DataBlockTest, BlocksStillHeldAfterTheCallAreMisbehaviour) {
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<GetRawBlock>(table, context(), 1, 2);
        fake::call<GetRawBlock>(table, context(), 1, 2);
        fake::call<ReleaseRawBlock>(table, context(), 1, 2);
    });
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("raw block 2 of channel 1 is still held"));
    host.misbehaviour().clear();
    duringCall([](sg::HostCallbacks*) {});
    EXPECT_TRUE(misbehaviour().empty()) << "holds are reported once";
}

TEST_F(DataBlockTest, ReleasesWithoutAFetchAreMisbehaviour) {
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<ReleaseComputedBlock>(table, context(), 1, 1);
        fake::call<GetRawBlock>(table, context(), 1, 1);
        fake::call<ReleaseComputedBlock>(table, context(), 1, 1);  // the wrong kind
        fake::call<ReleaseRawBlock>(table, context(), 1, 1);
    });
    EXPECT_EQ(misbehaviour().size(), 2u);
    EXPECT_TRUE(misbehaviourMentions("ReleaseComputedBlock of block 1 of channel 1 matches no fetch"));
}

TEST_F(DataBlockTest, AnUnavailableBlockIsNullAndMayBeReleasedOrNot) {
    host.recording().setAvailable(DataKind::computed, 2, 2, false);
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<GetComputedBlock>(table, context(), 2, 2), nullptr);
        fake::call<ReleaseComputedBlock>(table, context(), 2, 2);
        EXPECT_EQ(fake::call<GetComputedBlock>(table, context(), 2, 2), nullptr);
    });
    EXPECT_TRUE(misbehaviour().empty());
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<ReleaseComputedBlock>(table, context(), 2, 2);
    });
    EXPECT_EQ(misbehaviour().size(), 1u) << "a null fetch of an earlier call cannot be released later";
}

TEST_F(DataBlockTest, DataServicesInsistOnTheContextTheHostHandedOut) {
    int other = 0;
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<GetDataAccessContext>(table, 1), context());
        EXPECT_EQ(fake::call<GetRawBlock>(table, &other, 1, 1), nullptr);
        fake::call<GetBlockLength>(table, nullptr, 1);
    });
    EXPECT_EQ(misbehaviour().size(), 2u);
    EXPECT_TRUE(misbehaviourMentions("GetRawBlock was given the data context"));
    EXPECT_EQ(host.holds().fetches(DataKind::raw), 0);
}

class NullContextTest : public DataBlockTest {
protected:
    static refhost::HostOptions answeringNullOnce() {
        refhost::HostOptions options;
        options.nullDataContextAnswers = 1;
        return options;
    }
    NullContextTest() : DataBlockTest(answeringNullOnce()) {}
};

TEST_F(NullContextTest, AHostThatAnsweredNullServesTheNullContext) {
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<GetDataAccessContext>(table, 1), nullptr);
        EXPECT_EQ(fake::call<GetBlockLength>(table, nullptr, 1) & 0xFFFF, 8);
        EXPECT_EQ(fake::call<GetDataAccessContext>(table, 7), context());
    });
    EXPECT_EQ(host.records().dataContextRequests, (std::vector<int32_t>{1, 7}));
    EXPECT_EQ(host.records().nullContextDataCalls, 1);
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("GetDataAccessContext was asked for kind 7"));
}

TEST_F(DataBlockTest, ChangedSourcesAreMisbehaviourButTheWrittenChannelIsNot) {
    fake::behaviour = [&](int16_t, void*, sg::HostCallbacks*) {
        static_cast<float*>(*host.recording().dataHandle(DataKind::computed, 1, 2))[0] = 1.0f;
        static_cast<float*>(*host.recording().dataHandle(DataKind::computed, 2, 1))[3] = 1.0f;
        static_cast<float*>(*host.recording().dataHandle(DataKind::raw, 1, 1))[7] = 1.0f;
        return 0;
    };
    int32_t unusedBlock = 0;
    host.call(8, unusedBlock, 1);
    EXPECT_EQ(misbehaviour().size(), 2u);
    EXPECT_TRUE(misbehaviourMentions("changed the computed data of block 1 of channel 2"));
    EXPECT_TRUE(misbehaviourMentions("changed the raw data of block 1 of channel 1"));
}

TEST_F(DataBlockTest, WritingPastTheEndOfADataBlockIsCaughtAfterTheCall) {
    duringCall([&](sg::HostCallbacks* table) {
        auto output = reinterpret_cast<float**>(fake::call<GetComputedBlock>(table, context(), 2, 2));
        (*output)[8] = 0.0f;
        fake::call<ReleaseComputedBlock>(table, context(), 2, 2);
    });
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("guard bytes around computed block 2 of channel 2"));
}

}  // namespace
