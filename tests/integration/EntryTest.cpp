// The entry point as a host sees it: fixed answers, unknown selectors, the catch-all that keeps
// every failure inside the module, the data-access context, argument widening and result
// narrowing, and the module's exports.
#include <cstdio>
#include <memory>

#include "module/host/HostCallbacks.h"
#include "integration/ModuleFixture.h"
#include "platform/Carbon.h"

namespace sgtest {
namespace {

using refhost::DataKind;
namespace service = sg::service;

class EntryTest : public ModuleTest {};

TEST_F(EntryTest, FixedAnswersAndUnknownSelectors) {
    EXPECT_EQ(host.callWithoutBlock(1), 0x10003) << "also with a null block";
    EXPECT_EQ(host.callWithoutBlock(2), 1);
    EXPECT_EQ(host.callWithoutBlock(3), 0);
    EXPECT_EQ(host.callWithoutBlock(4), 0);
    EXPECT_EQ(host.callWithoutBlock(5), 0);
    for (int16_t selector : std::initializer_list<int16_t>{18, 100, -1}) EXPECT_EQ(host.callWithoutBlock(selector), 0) << selector;
    char garbage[300];
    std::fill(std::begin(garbage), std::end(garbage), '\x7F');
    EXPECT_EQ(host.call(1, garbage), 0x10003);
    EXPECT_TRUE(host.trace().calls().empty()) << "none of these needs a host service";
}

TEST_F(EntryTest, SelectorZeroNamesTheResourceFileOfLaterStringFetches) {
    EXPECT_EQ(refhost::functionName(host), "Savitzky-Golay");
    const auto accesses = host.trace().callsOf(service::BeginResourceAccess::index);
    ASSERT_EQ(accesses.size(), 1u);
    EXPECT_EQ(static_cast<int16_t>(accesses[0].words[0]), host.moduleResourceFile());
}

TEST_F(EntryTest, AServiceThatThrowsIsReportedOnceAndAnswersZero) {
    const int16_t channel = AddChannel("pressure");
    AddRun({50});
    host.faults().throwOnServiceCall(service::NewHandle::index, 1);
    sg::CreateInstanceBlock block{0, channel, 0xAA};
    EXPECT_EQ(host.call(sg::kSelectorCreateInstance, block), 0);

    sg::Str255 expected{};
    GetIndString(expected, 2015, 1);
    ASSERT_GT(expected[0], 0) << "the host's resource file holds the message";
    ASSERT_EQ(host.records().errorMessages.size(), 1u);
    EXPECT_EQ(host.records().errorMessages[0], Text(expected));

    host.records().errorMessages.clear();
    auto computation = refhost::ChannelComputation::create(host, channel);
    ASSERT_TRUE(computation.has_value()) << "the next call works";
    EXPECT_TRUE(host.records().errorMessages.empty());
}

TEST_F(EntryTest, NoExceptionLeavesMain1EvenWhenShowingTheMessageFails) {
    host.faults().throwOnServiceCall(service::ReportError::index, 1, /*times=*/2);
    host.faults().failAllocationOnCall(1);  // out of memory is reported through ReportError
    sg::CreateInstanceBlock block{0, 1, 0};
    EXPECT_EQ(host.call(sg::kSelectorCreateInstance, block), 0);
    EXPECT_TRUE(host.records().errorMessages.empty());
    EXPECT_EQ(host.callWithoutBlock(2), 1);
}

TEST_F(EntryTest, OutOfMemoryForTheInstanceIsReportedOnce) {
    host.faults().failAllocationOnCall(1);
    sg::CreateInstanceBlock block{0, 1, 0xAA};
    EXPECT_EQ(host.call(sg::kSelectorCreateInstance, block), 0);
    EXPECT_EQ(block.flag, 0);
    ASSERT_EQ(host.records().errorMessages.size(), 1u);
    EXPECT_EQ(host.records().errorMessages[0], "Savitzky-Golay: Out of memory");
}

// Each copy of the module starts with no data-access context.
class DataContextTest : public ModuleTest {
protected:
    void SetUp() override { host.loadModule(FreshModuleCopy()); }
};

TEST_F(DataContextTest, FetchedOnceWithArgumentOneAndKeptAcrossCalls) {
    const int16_t channel = AddChannel("a");
    AddRun({20});
    auto computation = refhost::ChannelComputation::create(host, channel);
    computation->setParameter(sg::kParamWindowWidth, 5);
    EXPECT_TRUE(computation->sourceAvailable(1));
    EXPECT_TRUE(computation->sourceAvailable(1));
    computation->computeBlock(1);
    EXPECT_EQ(host.records().dataContextRequests, std::vector<int32_t>{1});
}

TEST_F(DataContextTest, AskedForAgainWhileTheHostAnswersNull) {
    host.options().nullDataContextAnswers = 1;
    const int16_t channel = AddChannel("a");
    AddRun({20});
    auto computation = refhost::ChannelComputation::create(host, channel);
    computation->setParameter(sg::kParamWindowWidth, 5);
    computation->sourceAvailable(1);
    EXPECT_EQ(host.records().nullContextDataCalls, 1) << "the service is called with the null context";
    computation->sourceAvailable(1);
    computation->sourceAvailable(1);
    EXPECT_EQ(host.records().dataContextRequests, (std::vector<int32_t>{1, 1}));
    host.misbehaviour().clear();  // the null context itself was this host's doing
}

TEST_F(EntryTest, Int16ArgumentsAreSignExtendedAndResultsNarrowed) {
    const int16_t channel = AddChannel("a");
    AddRun({20});
    auto computation = refhost::ChannelComputation::create(host, channel);
    computation->setParameter(sg::kParamWindowWidth, 5);
    host.trace().clear();
    EXPECT_FALSE(computation->sourceAvailable(-1));
    const auto asked = host.trace().callsOf(service::RawBlockAvailable::index);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].words[2], 0xFFFFFFFFu) << "block -1 reaches the host sign-extended";
    host.misbehaviour().clear();  // the host itself asked about block -1

    // The host answers availability with garbage above the low byte and lengths with garbage
    // above the low 16 bits; only the meaningful bits may count.
    ASSERT_TRUE(host.options().noisyResults);
    host.recording().setAvailable(DataKind::raw, channel, 1, false);
    EXPECT_FALSE(computation->sourceAvailable(1));
    host.recording().setAvailable(DataKind::raw, channel, 1, true);
    EXPECT_TRUE(computation->sourceAvailable(1));
}

TEST(ModuleExports, OnlyMain1) {
    const std::string command = "nm -D --defined-only " + ModulePath().string();
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::vector<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        const auto space = text.find_last_of(' ');
        names.push_back(text.substr(space + 1, text.find_last_not_of("\r\n") - space));
    }
    const std::vector<std::string> linkerOwn = {"_init", "_fini", "_edata", "_end", "__bss_start"};
    std::vector<std::string> own;
    for (const auto& name : names)
        if (std::find(linkerOwn.begin(), linkerOwn.end(), name) == linkerOwn.end()) own.push_back(name);
    EXPECT_EQ(own, std::vector<std::string>{"Main1"});
}

}  // namespace
}  // namespace sgtest
