// The general, resource and progress services.
#include <cstring>

#include "FakeModule.h"
#include "platform/Carbon.h"
#include "platform/Resources.h"

using namespace sg::service;

namespace {

std::string text(const sg::Str255 value) { return std::string(reinterpret_cast<const char*>(value + 1), value[0]); }

void setText(sg::Str255 value, const std::string& characters) {
    value[0] = static_cast<uint8_t>(characters.size());
    std::memcpy(value + 1, characters.data(), characters.size());
}

}  // namespace

TEST_F(HostTest, ErrorsAreCapturedAndAppendingStopsAt255Characters) {
    duringCall([](sg::HostCallbacks* table) {
        sg::Str255 message;
        setText(message, "Out of memory");
        fake::call<ReportError>(table, message);

        sg::Str255 destination;
        sg::Str255 tail;
        setText(destination, std::string(250, 'a'));
        setText(tail, "bcdefgh");
        fake::call<AppendPString>(table, destination, tail);
        EXPECT_EQ(text(destination), std::string(250, 'a') + "bcdef");
    });
    EXPECT_EQ(host.records().errorMessages, (std::vector<std::string>{"Out of memory"}));
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(HostTest, TheHostsMessagesLieInTheChainBelowTheModulesFile) {
    EXPECT_EQ(platform::CurrentResourceFile(), host.moduleResourceFile());
    EXPECT_NE(host.moduleResourceFile(), host.hostResourceFile());
    sg::Str255 message;
    GetIndString(message, 2015, 1);
    EXPECT_NE(text(message).find("unexpected failure"), std::string::npos);
}

TEST_F(HostTest, ResourceAccessesNestAndRestoreTheCurrentFile) {
    const int16_t moduleFile = host.moduleResourceFile();
    const int16_t hostFile = host.hostResourceFile();
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<BeginResourceAccess>(table, int32_t{hostFile});
        EXPECT_EQ(platform::CurrentResourceFile(), hostFile);
        fake::call<BeginResourceAccess>(table, int32_t{moduleFile});
        EXPECT_EQ(platform::CurrentResourceFile(), moduleFile);
        fake::call<EndResourceAccess>(table, int32_t{moduleFile});
        EXPECT_EQ(platform::CurrentResourceFile(), hostFile);
        fake::call<EndResourceAccess>(table, int32_t{hostFile});
        EXPECT_EQ(platform::CurrentResourceFile(), moduleFile);
    });
    EXPECT_TRUE(misbehaviour().empty());

    duringCall([&](sg::HostCallbacks* table) { fake::call<BeginResourceAccess>(table, int32_t{hostFile}); });
    EXPECT_TRUE(misbehaviourMentions("1 resource access(es) begun and not ended"));
    EXPECT_EQ(platform::CurrentResourceFile(), moduleFile);
    host.misbehaviour().clear();
    duringCall([&](sg::HostCallbacks* table) {
        fake::call<BeginResourceAccess>(table, 30000);
        fake::call<EndResourceAccess>(table, int32_t{hostFile});
    });
    EXPECT_EQ(misbehaviour().size(), 2u);
}

TEST_F(HostTest, TheExtensionNameComesForTheModulesResourceFile) {
    duringCall([&](sg::HostCallbacks* table) {
        sg::Str255 name;
        fake::call<GetExtensionName>(table, int32_t{host.moduleResourceFile()}, name);
        EXPECT_EQ(text(name), "FakeModule");
        fake::call<GetExtensionName>(table, int32_t{host.hostResourceFile()}, name);
    });
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("not the module's"));
}

TEST_F(HostTest, LongOperationsMustBalanceWithinEachCall) {
    std::vector<refhost::ProgressEvent> events;
    host.setProgressHook([&](const refhost::ProgressEvent& event) { events.push_back(event); });
    duringCall([](sg::HostCallbacks* table) {
        fake::call<BeginLongOperation>(table);
        fake::call<SetProgressState>(table, 4);
        fake::call<ReportProgress>(table, 15);
        fake::call<ReportProgress>(table, 15);
        fake::call<EndLongOperation>(table);
    });
    EXPECT_TRUE(misbehaviour().empty());
    EXPECT_EQ(host.records().progressStates, (std::vector<int32_t>{4}));
    EXPECT_EQ(host.records().progressSteps, 2);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[2].kind, refhost::ProgressEventKind::step);
    EXPECT_EQ(events[2].value, 15);

    duringCall([](sg::HostCallbacks* table) { fake::call<BeginLongOperation>(table); });
    EXPECT_TRUE(misbehaviourMentions("1 long operation(s) begun and not ended"));
    EXPECT_EQ(host.records().openLongOperations, 0);
    duringCall([](sg::HostCallbacks* table) { fake::call<EndLongOperation>(table); });
    EXPECT_TRUE(misbehaviourMentions("EndLongOperation without a matching BeginLongOperation"));
}

TEST_F(HostTest, HostValuesAnswerTheKnownSelectorsOnly) {
    duringCall([](sg::HostCallbacks* table) {
        EXPECT_EQ(fake::call<GetHostValue>(table, refhost::kHostValueModalFilter), refhost::kModalFilterValue);
        EXPECT_EQ(fake::call<GetHostValue>(table, 1), 0);
    });
    EXPECT_EQ(misbehaviour().size(), 1u);
}
