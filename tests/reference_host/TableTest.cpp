// The service table, the call path into the module, the trace and planned faults.
#include <set>
#include <stdexcept>

#include "FakeModule.h"

using namespace sg::service;

TEST_F(HostTest, EveryListedServiceIsProvidedAndNoOther) {
    const std::set<int> listed = {7,   16,  78,  79,  81,  95,  101, 106, 109, 112, 113, 115, 118, 121, 122, 135,
                                  145, 146, 150, 153, 155, 156, 172, 192, 210, 302, 306, 307, 309, 311, 312, 315,
                                  318, 465, 466, 468, 469, 470, 471, 472, 473, 475, 477, 485, 491, 496, 497, 501,
                                  540, 568, 608, 628, 629, 630, 637, 654};
    for (int index = 0; index < sg::kHostEntryCount; ++index)
        EXPECT_EQ(host.services().isProvided(index), listed.count(index) == 1) << index;
}

using HostDeathTest = HostTest;

TEST_F(HostDeathTest, AnEntryThatIsNotProvidedAbortsNamingItsIndex) {
    sg::HostCallbacks* table = host.services().callbacks();
    EXPECT_DEATH(table->entry[3](), "host service 3 is not provided");
    EXPECT_DEATH(table->entry[654 - 1](), "host service 653 is not provided");
    EXPECT_NE(table->entry[3], table->entry[4]);
}

namespace {

sg::DialogRef fakeDialog(int32_t) { return reinterpret_cast<sg::DialogRef>(0x1234); }

}  // namespace

TEST_F(HostTest, ServicesCanBeProvidedLaterAndGoThroughTheGate) {
    host.services().provide<NewExtensionDialog, &fakeDialog>("NewExtensionDialog");
    duringCall([](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<NewExtensionDialog>(table, 4710), reinterpret_cast<sg::DialogRef>(0x1234));
    });
    ASSERT_EQ(host.trace().calls().size(), 1u);
    EXPECT_EQ(host.trace().calls()[0].name, "NewExtensionDialog");
    EXPECT_EQ(host.trace().calls()[0].words, (std::vector<uint32_t>{4710}));
}

TEST_F(HostTest, TheTraceHoldsTheWordsThatReachedTheHost) {
    host.recording().addChannel({});
    host.recording().addBlock(4, 0.1, refhost::RunBoundary::startsRun);
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<GetBlockLength>(table, host.dataContext(), 1);
        fake::call<RawBlockAvailable>(table, host.dataContext(), -1, 1);
        fake::call<BeginLongOperation>(table);
        fake::call<EndLongOperation>(table);
    });
    const auto& calls = host.trace().calls();
    ASSERT_EQ(calls.size(), 4u);
    const auto context = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(host.dataContext()));
    EXPECT_EQ(calls[0].index, GetBlockLength::index);
    EXPECT_EQ(calls[1].name, "RawBlockAvailable");
    EXPECT_EQ(calls[1].words, (std::vector<uint32_t>{context, 0xFFFFFFFFu, 1}));
    EXPECT_TRUE(calls[2].words.empty());
    EXPECT_EQ(host.trace().count(EndLongOperation::index), 1);
    host.trace().clear();
    EXPECT_TRUE(host.trace().calls().empty());
}

TEST_F(HostTest, ServicesOutsideACallAreMisbehaviourAndTheDepthIsTracked) {
    sg::HostCallbacks* table = host.services().callbacks();
    fake::call<BeginLongOperation>(table);
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("host service 155 (BeginLongOperation) was called outside a call of Main1"));
    int depthInside = 0;
    duringCall([&](sg::HostCallbacks*) { depthInside = host.callDepth(); });
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(host.callDepth(), 0);
}

TEST_F(HostTest, TheBlockIsCopiedInAGuardedBufferAndBack) {
    struct Block {
        int32_t in;
        int16_t out;
    } block{41, 0};
    const void* seen = nullptr;
    fake::behaviour = [&](int16_t selector, void* raw, sg::HostCallbacks*) {
        seen = raw;
        auto* inside = static_cast<Block*>(raw);
        inside->out = static_cast<int16_t>(inside->in + selector);
        return 7;
    };
    EXPECT_EQ(host.call(1, block), 7);
    EXPECT_EQ(block.out, 42);
    EXPECT_NE(seen, static_cast<const void*>(&block));
    EXPECT_TRUE(misbehaviour().empty());

    fake::behaviour = [](int16_t, void* raw, sg::HostCallbacks*) {
        static_cast<uint8_t*>(raw)[sizeof(Block)] = 0;
        return 0;
    };
    host.call(12, block);
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("the parameter block of selector 12"));
}

TEST_F(HostTest, PlannedAllocationFailuresCountAllThreeServices) {
    host.faults().failAllocationOnCall(2);
    duringCall([](sg::HostCallbacks* table) {
        sg::Handle first = fake::call<NewHandle>(table, 4);
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(fake::call<NewPointer>(table, 4), nullptr);
        sg::Handle third = fake::call<NewBufferHandle>(table, 4);
        EXPECT_NE(third, nullptr);
        fake::call<DisposeHandle>(table, first);
        fake::call<DisposeHandle>(table, third);
    });
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, PlannedThrowsLeaveTheServiceIntoTheModule) {
    host.faults().throwOnServiceCall(GetHostValue::index, 2);
    int caught = 0;
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<BeginLongOperation>(table);
        fake::call<GetHostValue>(table, refhost::kHostValueModalFilter);
        try {
            fake::call<GetHostValue>(table, refhost::kHostValueModalFilter);
        } catch (const std::runtime_error&) {
            ++caught;
        }
        fake::call<GetHostValue>(table, refhost::kHostValueModalFilter);
        fake::call<EndLongOperation>(table);
    });
    EXPECT_EQ(caught, 1);

    host.faults().throwOnServiceCall(refhost::kAnyService, 1);
    host.faults().reset();
    duringCall([](sg::HostCallbacks* table) { fake::call<BeginLongOperation>(table); fake::call<EndLongOperation>(table); });
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, AnExceptionThatEscapesMain1IsMisbehaviour) {
    host.faults().throwOnServiceCall(refhost::kAnyService, 1);
    EXPECT_EQ(duringCall([](sg::HostCallbacks* table) { fake::call<BeginLongOperation>(table); }), 0);
    EXPECT_EQ(host.callDepth(), 0);
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("an exception escaped Main1 for selector 99"));
}
