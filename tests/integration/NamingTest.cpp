// The function's name and default title, and the questions about its source channel
// (selectors 7, 11, 12, 16 and 17).
#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

namespace service = sg::service;

class NamingTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        for (const char* name : {"pressure", "flow", "ecg"}) AddChannel(name);
        AddRun({30, 30});
        computation.emplace(*refhost::ChannelComputation::create(host, 2));
    }
    sg::LocalDataType& Settings() { return **(*computation->instance())->settings; }

    std::optional<refhost::ChannelComputation> computation;
};

TEST_F(NamingTest, NameIsTheSameForEveryInstance) {
    sg::FunctionNameBlock block{0x7FFFFFFF, nullptr};
    sg::Str255 name{};
    block.name = name;
    EXPECT_EQ(host.call(sg::kSelectorGetFunctionName, block), 0);
    EXPECT_EQ(Text(name), "Savitzky-Golay");
}

TEST_F(NamingTest, DefaultTitleFollowsTheSourceChannel) {
    auto untitled = computation->defaultTitle();
    EXPECT_EQ(untitled.result, 0);
    EXPECT_EQ(untitled.record.hasTitle, 0) << "no settings: the record is untouched";
    EXPECT_EQ(untitled.text(), "");

    computation->setParameter(sg::kParamSourceChannel, 3);
    auto titled = computation->defaultTitle();
    EXPECT_EQ(titled.record.hasTitle, 1);
    EXPECT_EQ(titled.text(), "Savitzky-Golay of ecg title");
    EXPECT_EQ(titled.record.hostPrivate[0], refhost::kHostRecordByte);
}

TEST_F(NamingTest, AvailabilityAsksOnlyForTheKindOfDataRead) {
    EXPECT_FALSE(computation->sourceAvailable(1)) << "no settings";
    computation->setParameter(sg::kParamSourceChannel, 3);
    host.trace().clear();
    EXPECT_TRUE(computation->sourceAvailable(2));
    host.recording().setAvailable(refhost::DataKind::raw, 3, 2, false);
    EXPECT_FALSE(computation->sourceAvailable(2));
    EXPECT_EQ(host.trace().count(service::ComputedBlockAvailable::index), 0);

    computation->setParameter(sg::kParamUseComputedSource, 1);
    host.trace().clear();
    EXPECT_TRUE(computation->sourceAvailable(2));
    EXPECT_EQ(host.trace().count(service::RawBlockAvailable::index), 0);
    EXPECT_EQ(host.trace().count(service::ComputedBlockAvailable::index), 1);

    Settings().sourceChannel = 4;  // beyond the channel count read at creation
    host.trace().clear();
    EXPECT_FALSE(computation->sourceAvailable(2));
    EXPECT_TRUE(host.trace().calls().empty());
}

TEST_F(NamingTest, DependsOnItsSourceByDataKind) {
    auto depends = [&](int16_t channel, int16_t kind) {
        sg::InstanceChannelBlock block{computation->instance(), channel, kind};
        return host.call(sg::kSelectorDependsOnChannel, block);
    };
    EXPECT_EQ(depends(2, 0), 0) << "no settings";
    computation->setParameter(sg::kParamSourceChannel, 1);
    EXPECT_EQ(depends(1, 0), 1);
    EXPECT_EQ(depends(1, 1), 1);
    EXPECT_EQ(depends(1, 2), 0);
    EXPECT_EQ(depends(2, 0), 0);
    computation->setParameter(sg::kParamUseComputedSource, 1);
    EXPECT_EQ(depends(1, 0), 1);
    EXPECT_EQ(depends(1, 1), 0);
}

TEST_F(NamingTest, SourceChannelInfoIsFilledByTheHostAndMarked) {
    sg::SourceInfoBlock block{};
    block.instance = computation->instance();
    block.block = 1;
    std::fill(std::begin(block.info.hostPrivate), std::end(block.info.hostPrivate), uint8_t{0x11});
    block.info.filledByExtension = 0x7777;
    host.trace().clear();
    EXPECT_EQ(host.call(sg::kSelectorGetSourceChannelInfo, block), 0);
    EXPECT_EQ(block.info.filledByExtension, 0x7777) << "no settings: nothing written";
    EXPECT_TRUE(host.trace().calls().empty());

    computation->setParameter(sg::kParamSourceChannel, 3);
    EXPECT_EQ(host.call(sg::kSelectorGetSourceChannelInfo, block), 0);
    EXPECT_EQ(block.info.filledByExtension, 1);
    const auto asked = host.trace().callsOf(service::GetRawChannelInfo::index);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].words[1], 3u);
    EXPECT_EQ(asked[0].words[2], 1u);
}

TEST_F(NamingTest, ANullInstanceAnswersNoAndWritesNothing) {
    sg::SourceAvailableBlock available{nullptr, 1, 0};
    EXPECT_EQ(host.call(sg::kSelectorIsSourceAvailable, available), 0);
    sg::InstanceChannelBlock depends{nullptr, 1, 0};
    EXPECT_EQ(host.call(sg::kSelectorDependsOnChannel, depends), 0);
    sg::SourceInfoBlock info{};
    info.block = 1;
    info.info.filledByExtension = 0x7777;
    host.call(sg::kSelectorGetSourceChannelInfo, info);
    EXPECT_EQ(info.info.filledByExtension, 0x7777);
    sg::TitleRecord title{};
    title.hasTitle = 9;
    sg::DefaultTitleBlock titleBlock{nullptr, &title};
    host.call(sg::kSelectorGetDefaultTitle, titleBlock);
    EXPECT_EQ(title.hasTitle, 9);
}

}  // namespace
}  // namespace sgtest
