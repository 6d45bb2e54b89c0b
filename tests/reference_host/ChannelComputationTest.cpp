// The channel-computation helper and the parameter services, against a fake module that
// implements the selectors with the simplest possible arithmetic.
#include <bit>
#include <cstring>

#include "FakeModule.h"
#include "refhost/ChannelComputation.h"

using namespace sg::service;
using refhost::ChannelComputation;
using refhost::DataKind;

namespace {

struct ReceivedParameter {
    sg::FunctionInstance** instance;
    sg::ParameterValue value;
    int depth;
};

// Selector 6 allocates an instance, 10 remembers the value, 8 doubles the own raw samples, and
// 9 reports window width 7 and the computed-source flag, like a settings dialog confirming.
class ChannelComputationTest : public HostTest {
protected:
    ChannelComputationTest() {
        host.recording().addChannel({"", "Source title", {}, {}});
        host.recording().addChannel({});
        host.recording().addBlock(10, 0.01, refhost::RunBoundary::startsRun);
        for (int i = 0; i < 10; ++i) host.recording().values(DataKind::raw, 2, 1)[i] = static_cast<float>(i);
        fake::behaviour = [this](int16_t selector, void* block, sg::HostCallbacks* table) {
            return module(selector, block, table);
        };
    }

    int32_t module(int16_t selector, void* block, sg::HostCallbacks* table) {
        switch (selector) {
            case sg::kSelectorCreateInstance: {
                auto* request = static_cast<sg::CreateInstanceBlock*>(block);
                request->flag = 0;
                sg::Handle instance = fake::call<NewHandle>(table, 12);
                if (instance == nullptr) return 0;
                static_cast<sg::FunctionInstance*>(*instance)->channel = request->channel;
                return static_cast<int32_t>(reinterpret_cast<uintptr_t>(instance));
            }
            case sg::kSelectorSetParameter: {
                auto* request = static_cast<sg::SetParameterBlock*>(block);
                received.push_back({request->instance, *request->value, host.callDepth()});
                return 0;
            }
            case sg::kSelectorComputeSpan: {
                auto* request = static_cast<sg::SpanRequest*>(block);
                lastSpan = *request;
                for (int16_t n = request->first; n < request->end; ++n) {
                    fake::call<ReportProgress>(table, 15);  // moves both blocks in stress mode
                    (*request->output)[n] = 2.0f * (*request->ownBlockData)[n];
                }
                return 0;
            }
            case sg::kSelectorRunSettingsDialog: {
                const auto channel = static_cast<sg::InstanceChannelBlock*>(block)->channel;
                const int16_t resources = host.moduleResourceFile();
                const auto widthId = static_cast<int16_t>(fake::call<MapParameterId>(table, sg::kParamWindowWidth, resources));
                const auto flagId = static_cast<int16_t>(fake::call<MapParameterId>(table, sg::kParamUseComputedSource, resources));
                fake::call<RecordParameterShort>(table, uint32_t{static_cast<uint16_t>(widthId)}, int32_t{channel}, 7);
                fake::call<RecordParameterFlag>(table, uint32_t{static_cast<uint16_t>(flagId)}, int32_t{channel}, 1u);
                fake::call<RecordParameterShort>(table, static_cast<uint32_t>(int32_t{widthId}), int32_t{channel}, 9);
                return 1;
            }
            case sg::kSelectorGetFunctionName: {
                const uint8_t name[] = {4, 'F', 'a', 'k', 'e'};
                std::memcpy(static_cast<sg::FunctionNameBlock*>(block)->name, name, sizeof name);
                return 0;
            }
            case sg::kSelectorIsSourceAvailable:
                return static_cast<sg::SourceAvailableBlock*>(block)->block == 1 ? 1 : 0;
            case sg::kSelectorGetOutputScaling: {
                auto* request = static_cast<sg::OutputScalingBlock*>(block);
                request->answered = 1;
                request->scaling->offset = 1.5;
                request->scaling->unitsText[0] = 0;
                return 1;
            }
            case sg::kSelectorGetDefaultTitle: {
                sg::TitleRecord* title = static_cast<sg::DefaultTitleBlock*>(block)->title;
                title->hasTitle = 1;
                const uint8_t text[] = {2, 'S', 'G'};
                std::memcpy(title->text, text, sizeof text);
                return 0;
            }
            default:
                return 0;
        }
    }

    std::vector<ReceivedParameter> received;
    sg::SpanRequest lastSpan{};
};


TEST_F(ChannelComputationTest, ASpanRequestCarriesTheChannelsOwnBlocksAndWritesOnlyTheSpan) {
    auto computation = ChannelComputation::create(host, 2);
    ASSERT_TRUE(computation);
    EXPECT_EQ(host.instanceFor(2), computation->instance());
    EXPECT_EQ(computation->computeSpan(1, 3, 6), 0);

    EXPECT_EQ(lastSpan.instance, computation->instance());
    EXPECT_EQ(reinterpret_cast<sg::Handle>(lastSpan.ownBlockData), host.recording().dataHandle(DataKind::raw, 2, 1));
    EXPECT_EQ(reinterpret_cast<sg::Handle>(lastSpan.output), host.recording().dataHandle(DataKind::computed, 2, 1));
    EXPECT_EQ(lastSpan.block, 1);
    const auto output = host.recording().values(DataKind::computed, 2, 1);
    EXPECT_EQ(std::bit_cast<uint32_t>(output[2]), refhost::kUnwrittenSampleBits);
    EXPECT_EQ(output[3], 6.0f);
    EXPECT_EQ(output[5], 10.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(output[6]), refhost::kUnwrittenSampleBits);
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(ChannelComputationTest, ParametersTravelInAGuardedValueRecord) {
    auto computation = ChannelComputation::create(host, 2);
    ASSERT_TRUE(computation);
    computation->setParameter(sg::kParamPolynomialOrder, -3);
    computation->setParameter(sg::kParamUseComputedSource, 1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].value.parameter, sg::kParamPolynomialOrder);
    EXPECT_EQ(received[0].value.shortValue, -3);
    EXPECT_EQ(received[1].value.flagValue, 1);
    uint8_t bytes[sizeof(sg::ParameterValue)];
    std::memcpy(bytes, &received[1].value, sizeof bytes);
    EXPECT_EQ(bytes[9], refhost::kHostRecordByte) << "a flag is one byte";
}

TEST_F(ChannelComputationTest, ReportedParametersReenterTheModuleBeforeTheReportReturns) {
    auto computation = ChannelComputation::create(host, 2);
    ASSERT_TRUE(computation);
    sg::InstanceChannelBlock dialog{computation->instance(), 2, 0};
    EXPECT_EQ(host.call(sg::kSelectorRunSettingsDialog, dialog), 1);

    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].instance, computation->instance());
    EXPECT_EQ(received[0].value.parameter, sg::kParamWindowWidth);
    EXPECT_EQ(received[0].value.shortValue, 7);
    EXPECT_EQ(received[0].depth, 2);
    EXPECT_EQ(received[1].value.parameter, sg::kParamUseComputedSource);
    EXPECT_EQ(received[1].value.flagValue, 1);

    const auto& reports = host.records().parameterReports;
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].hostParameterId, 0x8005u);
    EXPECT_EQ(reports[1].hostParameterId, 0x8002u);
    EXPECT_TRUE(reports[1].flag);
    ASSERT_EQ(misbehaviour().size(), 1u);
    EXPECT_TRUE(misbehaviourMentions("0xFFFF8005, which MapParameterId never handed out"));
}

TEST_F(ChannelComputationTest, AFailedCreationGivesNoComputation) {
    host.faults().failAllocationOnCall(1);
    EXPECT_FALSE(ChannelComputation::create(host, 1));
    EXPECT_EQ(host.instanceFor(1), nullptr);
    EXPECT_TRUE(misbehaviour().empty());
}

TEST_F(ChannelComputationTest, CreationAnswersAreChecked) {
    fake::behaviour = [](int16_t, void*, sg::HostCallbacks*) { return 0x1234; };
    EXPECT_EQ(refhost::createInstance(host, 1), nullptr);
    EXPECT_EQ(host.instanceFor(1), nullptr);
    EXPECT_EQ(misbehaviour().size(), 2u);
    EXPECT_TRUE(misbehaviourMentions("selector 6 left the flag byte"));
    EXPECT_TRUE(misbehaviourMentions("selector 6 answered 0x00001234, which is no handle the host gave out"));
}

TEST_F(ChannelComputationTest, QueriesHandTheModuleRecordsAndReturnWhatItWrote) {
    auto computation = ChannelComputation::create(host, 2);
    ASSERT_TRUE(computation);
    EXPECT_EQ(refhost::functionName(host), "Fake");
    EXPECT_TRUE(computation->sourceAvailable(1));
    EXPECT_FALSE(computation->sourceAvailable(0));

    const refhost::OutputScalingAnswer scaling = computation->outputScaling(1);
    EXPECT_EQ(scaling.result, 1);
    EXPECT_EQ(scaling.answered, 1);
    const double offset = scaling.scaling().offset;
    EXPECT_EQ(offset, 1.5);
    EXPECT_EQ(scaling.record[16], 0);
    EXPECT_EQ(scaling.record[44], refhost::kFreshPoison) << "bytes the module did not write keep the host's poison";

    const refhost::DefaultTitleAnswer title = computation->defaultTitle();
    EXPECT_EQ(title.record.hasTitle, 1);
    EXPECT_EQ(title.text(), "SG");
    EXPECT_EQ(title.record.hostPrivate[0], refhost::kHostRecordByte);
    EXPECT_TRUE(misbehaviour().empty());
}

}  // namespace
