// Handles, pointers, guards, poison, relocation and locks, as the module meets them.
#include <cstring>

#include "FakeModule.h"

using namespace sg::service;
using refhost::Owner;

namespace {

uint8_t* bytes(sg::Handle handle) { return static_cast<uint8_t*>(*handle); }

}  // namespace

TEST_F(HostTest, NewBlocksArePoisonedAndAccountedToTheModule) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle handle = fake::call<NewHandle>(table, 12);
        sg::Handle buffer = fake::call<NewBufferHandle>(table, 3);
        auto* pointer = static_cast<uint8_t*>(fake::call<NewPointer>(table, 5));
        ASSERT_NE(handle, nullptr);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes(handle)[i], refhost::kFreshPoison);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(pointer[i], refhost::kFreshPoison);
        EXPECT_EQ(host.memory().liveHandles(Owner::module), 2);
        EXPECT_EQ(host.memory().livePointers(Owner::module), 1);
        fake::call<DisposeHandle>(table, handle);
        fake::call<DisposeHandle>(table, buffer);
        fake::call<DisposePointer>(table, pointer);
    });
    EXPECT_EQ(host.memory().liveHandles(Owner::module), 0);
    EXPECT_EQ(host.memory().livePointers(Owner::module), 0);
    EXPECT_EQ(host.memory().counts().handlesAllocated, 2);
    EXPECT_EQ(host.memory().counts().handlesDisposed, 2);
    EXPECT_EQ(host.memory().counts().pointersDisposed, 1);
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, StressModeMovesUnlockedBlocksAtEveryServiceAndPoisonsTheOldCopy) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle moving = fake::call<NewHandle>(table, 8);
        sg::Handle locked = fake::call<NewHandle>(table, 8);
        fake::call<LockHandle>(table, locked);
        std::memset(*moving, 0x11, 8);
        uint8_t* before = bytes(moving);
        void* lockedAddress = *locked;

        fake::call<GetHostValue>(table, refhost::kHostValueChannelCount);
        EXPECT_NE(bytes(moving), before);
        EXPECT_EQ(bytes(moving)[7], 0x11);
        EXPECT_EQ(before[0], refhost::kStalePoison);
        EXPECT_EQ(*locked, lockedAddress);

        fake::call<UnlockHandle>(table, locked);
        fake::call<GetHostValue>(table, refhost::kHostValueChannelCount);
        EXPECT_NE(*locked, lockedAddress);
        fake::call<DisposeHandle>(table, moving);
        fake::call<DisposeHandle>(table, locked);
    });
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, WritesThroughAStaleAddressAreCaught) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle handle = fake::call<NewHandle>(table, 4);
        uint8_t* stale = bytes(handle);
        fake::call<GetHostValue>(table, refhost::kHostValueChannelCount);
        stale[1] = 0;
        fake::call<DisposeHandle>(table, handle);
    });
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("stale write into the old memory of the module's NewHandle of 4 bytes"));
}

TEST_F(HostTest, DamagedGuardsAreReportedOnceNamingTheBlock) {
    sg::Handle kept = nullptr;
    duringCall([&](sg::HostCallbacks* table) {
        kept = fake::call<NewHandle>(table, 6);
        auto* pointer = static_cast<uint8_t*>(fake::call<NewPointer>(table, 10));
        bytes(kept)[6] = 0;   // one past the end
        pointer[-1] = 0;      // one before the start
    });
    EXPECT_EQ(misbehaviour().size(), 2u);
    EXPECT_TRUE(misbehaviourMentions("guard bytes around the module's NewHandle of 6 bytes"));
    EXPECT_TRUE(misbehaviourMentions("guard bytes around the module's NewPointer of 10 bytes"));
    host.misbehaviour().clear();
    duringCall([&](sg::HostCallbacks* table) { fake::call<DisposeHandle>(table, kept); });
    EXPECT_TRUE(misbehaviour().empty()) << "a repaired guard is not reported again";
}

TEST_F(HostTest, LocksDoNotNestAndAreCounted) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle handle = fake::call<NewHandle>(table, 4);
        fake::call<LockHandle>(table, handle);
        fake::call<LockHandle>(table, handle);
        fake::call<UnlockHandle>(table, handle);
        EXPECT_FALSE(host.memory().isLocked(handle));
        fake::call<DisposeHandle>(table, handle);
    });
    EXPECT_EQ(host.memory().counts().lockCalls, 2);
    EXPECT_EQ(host.memory().counts().unlockCalls, 1);
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, BadDisposalsAreMisbehaviourNotCrashes) {
    host.recording().addChannel({});
    host.recording().addBlock(4, 0.01, refhost::RunBoundary::startsRun);
    sg::Handle hostBlock = host.recording().dataHandle(refhost::DataKind::raw, 1, 1);
    int local = 0;
    duringCall([&](sg::HostCallbacks* table) {
        sg::Handle handle = fake::call<NewHandle>(table, 4);
        void* pointer = fake::call<NewPointer>(table, 4);
        fake::call<DisposeHandle>(table, handle);
        fake::call<DisposeHandle>(table, handle);
        fake::call<DisposePointer>(table, pointer);
        fake::call<DisposePointer>(table, pointer);
        fake::call<DisposeHandle>(table, reinterpret_cast<sg::Handle>(&local));
        fake::call<DisposeHandle>(table, hostBlock);
        fake::call<LockHandle>(table, handle);
    });
    EXPECT_EQ(misbehaviour().size(), 5u);
    EXPECT_TRUE(misbehaviourMentions("the module disposed the already disposed handle"));
    EXPECT_TRUE(misbehaviourMentions("the module disposed the already disposed pointer"));
    EXPECT_TRUE(misbehaviourMentions("the module disposed the unknown handle"));
    EXPECT_TRUE(misbehaviourMentions("raw block 1 of channel 1"));
    EXPECT_TRUE(misbehaviourMentions("the module locked the unknown handle"));
    EXPECT_TRUE(host.memory().isLiveHandle(hostBlock));
}

TEST_F(HostTest, NegativeSizesGiveNull) {
    duringCall([&](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<NewHandle>(table, -1), nullptr);
        EXPECT_EQ(fake::call<NewPointer>(table, -8), nullptr);
    });
    EXPECT_EQ(misbehaviour().size(), 2u);
}
