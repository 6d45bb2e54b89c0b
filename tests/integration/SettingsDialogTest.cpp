// The settings dialog (selector 9) driven by a scripted person through the reference host's
// dialog services: what it shows, its enabling, radio and width rules, the six reports on OK,
// Cancel, and its failure paths, a host failing while it records OK's reports among them.
#include <cstring>
#include <map>

#include "integration/ModuleFixture.h"
#include "platform/Carbon.h"
#include "platform/Dialogs.h"
#include "platform/Ports.h"
#include "refhost/DialogSession.h"

namespace sgtest {
namespace {

using refhost::DialogStep;
namespace service = sg::service;

struct ItemState {
    int16_t value;
    std::string text;
    bool enabled;
    bool checked;
    int16_t minimum;
};

// What the person saw at each wait, then the scripted hit.
struct Snapshot {
    std::string title;
    std::map<int16_t, ItemState> items;
    double width;  // the width control's value
};

class WatchingScript : public refhost::DialogDriver {
public:
    explicit WatchingScript(std::vector<DialogStep> steps) : script_(std::move(steps)) {}
    int16_t nextHit(platform::Dialog& dialog) override {
        Snapshot snapshot{dialog.window.title, {}, 0.0};
        for (const auto& item : dialog.items) {
            snapshot.items[item.number] = {item.value, item.text, item.enabled, item.checked, item.minimum};
            if (item.control) snapshot.width = refhost::ControlValue(*item.control).value_or(-1.0);
        }
        seen.push_back(snapshot);
        return script_.nextHit(dialog);
    }
    std::vector<Snapshot> seen;

private:
    refhost::ScriptedDialog script_;
};

class SettingsDialogTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        for (const char* name : {"pressure", "flow", "ecg"}) AddChannel(name);
        AddRun({30});
        computation.emplace(*refhost::ChannelComputation::create(host, 1));
    }
    int32_t Run(std::vector<DialogStep> steps) {
        script = std::make_shared<WatchingScript>(std::move(steps));
        host.dialogs().setDriver(script);
        sg::InstanceChannelBlock block{computation->instance(), 1, 0};
        return host.call(sg::kSelectorRunSettingsDialog, block);
    }
    // The reported (parameter, value) pairs, in order.
    std::vector<std::pair<int, int>> Reports() {
        std::vector<std::pair<int, int>> reports;
        for (const auto& report : host.records().parameterReports) reports.emplace_back(report.parameter, report.value);
        return reports;
    }
    sg::LocalDataType& Settings() { return **(*computation->instance())->settings; }
    const ItemState& Shown(std::size_t wait, int16_t item) { return script->seen.at(wait).items.at(item); }

    std::optional<refhost::ChannelComputation> computation;
    std::shared_ptr<WatchingScript> script;
};

const DialogStep kOK{1, {}, {}};
const DialogStep kCancel{2, {}, {}};

TEST_F(SettingsDialogTest, OpensWithTheDefaultsAndOKReportsAllSix) {
    EXPECT_EQ(Run({kOK}), 1);
    const Snapshot& first = script->seen.at(0);
    EXPECT_EQ(first.title, "Savitzky-Golay settings: pressure");
    EXPECT_EQ(Shown(0, 6).value, 1);
    EXPECT_EQ(Shown(0, 13).value, 1);
    EXPECT_EQ(Shown(0, 15).value, 1);
    EXPECT_EQ(Shown(0, 17).text, "5");
    EXPECT_EQ(first.width, 5.0);
    EXPECT_EQ(Reports(), (std::vector<std::pair<int, int>>{
                             {8193, 1}, {8194, 0}, {8195, 0}, {8196, 2}, {8197, 5}, {8198, 0}}));
    for (const auto& report : host.records().parameterReports) {
        EXPECT_GE(report.hostParameterId, 0x8000u) << "ids reach the host zero-extended";
        EXPECT_EQ(report.channel, 1);
        EXPECT_EQ(report.flag, report.parameter == 8194);
    }
    EXPECT_EQ((*computation->instance())->state, sg::kStateSettingsInPlace) << "the host applied the reports";
    EXPECT_EQ(platform::LiveDialogCount(), 0u);
    const auto attached = host.dialogs().records().attachedResources;
    EXPECT_EQ(attached, std::vector<std::string>{"SavitzkyGolay 0x444C4F47 4710 0 8"});
}

TEST_F(SettingsDialogTest, OpensWithTheChannelsSettingsAndNeverWritesThem) {
    for (auto [parameter, value] : std::vector<std::pair<uint16_t, int16_t>>{
             {sg::kParamSourceChannel, 2}, {sg::kParamUseComputedSource, 1}, {sg::kParamDerivativeOrder, 1},
             {sg::kParamPolynomialOrder, 3}, {sg::kParamWindowWidth, 9}, {sg::kParamRangeIndex, 4}})
        computation->setParameter(parameter, value);
    computation->computeBlock(1);
    const sg::LocalDataType before = Settings();

    EXPECT_EQ(Run({{13, 3, {}}, kCancel}), 0);
    EXPECT_EQ(Shown(0, 6).value, 2);
    EXPECT_TRUE(Shown(0, 10).enabled);
    EXPECT_TRUE(Shown(0, 10).checked);
    EXPECT_FALSE(Shown(0, 9).checked);
    EXPECT_EQ(Shown(0, 13).value, 2);
    EXPECT_EQ(Shown(0, 15).value, 2);
    EXPECT_EQ(Shown(0, 17).text, "9");
    EXPECT_EQ(script->seen[0].width, 9.0);
    EXPECT_TRUE(Reports().empty()) << "Cancel reports nothing";
    EXPECT_EQ(std::memcmp(&Settings(), &before, sizeof before), 0) << "the channel's record is untouched";

    EXPECT_EQ(Run({{13, 3, {}}, kOK}), 1);
    EXPECT_EQ(Reports(), (std::vector<std::pair<int, int>>{
                             {8193, 2}, {8194, 1}, {8195, 2}, {8196, 3}, {8197, 9}, {8198, 4}}));
    EXPECT_EQ(Settings().derivativeOrder, 2);
    EXPECT_EQ(Settings().weights, nullptr) << "the new derivative order discarded the table";
}

TEST_F(SettingsDialogTest, EnablingAndRadioRules) {
    EXPECT_EQ(Run({{9, {}, {}}, {6, 2, {}}, {10, {}, {}}, {9, {}, {}}, {10, {}, {}}, kOK}), 1);
    // Source is the own channel: only raw samples can be read.
    EXPECT_FALSE(Shown(0, 10).enabled);
    EXPECT_TRUE(Shown(0, 9).checked);
    EXPECT_FALSE(Shown(0, 10).checked);
    EXPECT_FALSE(Shown(1, 10).enabled) << "hitting raw changes nothing";
    EXPECT_TRUE(Shown(2, 10).enabled) << "another source enables computed values";
    EXPECT_TRUE(Shown(2, 9).checked);
    EXPECT_TRUE(Shown(3, 10).checked);
    EXPECT_FALSE(Shown(3, 9).checked);
    EXPECT_TRUE(Shown(4, 9).checked);
    EXPECT_TRUE(Shown(5, 10).checked);
    EXPECT_EQ(Reports()[0], (std::pair<int, int>{8193, 2}));
    EXPECT_EQ(Reports()[1], (std::pair<int, int>{8194, 1}));
}

TEST_F(SettingsDialogTest, HighOrdersNeedAtLeastSevenPoints) {
    EXPECT_EQ(Run({{15, 4, {}}, {15, 2, {}}, {15, 2, {}}, kOK}), 1);
    EXPECT_EQ(Shown(1, 18).value, 2) << "order 5 at width 5 moves the control to width 7";
    EXPECT_EQ(Shown(1, 18).minimum, 2);
    EXPECT_EQ(script->seen[1].width, 7.0);
    EXPECT_EQ(Shown(2, 18).minimum, 1) << "order 3 allows width 5 again";
    EXPECT_EQ(Shown(2, 18).value, 2) << "without moving the control";
    EXPECT_EQ(Reports()[3], (std::pair<int, int>{8196, 3}));
    EXPECT_EQ(Reports()[4], (std::pair<int, int>{8197, 7}));

    // Choosing the order that is already set does nothing to the control.
    host.trace().clear();
    EXPECT_EQ(Run({{15, 2, {}}, kCancel}), 0);
    EXPECT_EQ(host.trace().count(service::SetItemMinimum::index), 0);
}

TEST_F(SettingsDialogTest, TypedWidthsMoveTheControlAndOKReportsTheControlsWidth) {
    EXPECT_EQ(Run({{17, {}, "10"}, kOK}), 1);
    EXPECT_EQ(Shown(1, 18).value, 3);
    EXPECT_EQ(Reports()[4], (std::pair<int, int>{8197, 9}));

    host.records().parameterReports.clear();
    EXPECT_EQ(Run({{17, {}, "3"}, kOK}), 1);
    EXPECT_EQ(Shown(1, 18).value, 1);
    EXPECT_EQ(Reports()[4], (std::pair<int, int>{8197, 5}));

    host.records().parameterReports.clear();
    EXPECT_EQ(Run({{18, 20, {}}, kOK}), 1);
    EXPECT_EQ(Reports()[4], (std::pair<int, int>{8197, 43})) << "position p stands for width 2p + 3";
}

TEST_F(SettingsDialogTest, DrawsUserItemsAndRestoresThePort) {
    void* before = platform::CurrentPort();
    EXPECT_EQ(Run({kCancel}), 0);
    EXPECT_EQ(platform::CurrentPort(), before);
    std::vector<std::pair<char, int16_t>> draws;
    for (const auto& draw : host.dialogs().records().userItemDraws) draws.emplace_back(draw.procedure, draw.item);
    EXPECT_EQ(draws, (std::vector<std::pair<char, int16_t>>{{'A', 4}, {'B', 11}, {'B', 21}}));
    EXPECT_EQ(host.dialogs().records().dialogsBegun, 1);
    EXPECT_EQ(host.dialogs().records().dialogsEnded, 1);
}

TEST_F(SettingsDialogTest, AFrozenInstanceShowsItsStateMessage) {
    (*computation->instance())->state = sg::kStateOutOfMemory;
    EXPECT_EQ(Run({kOK}), 0);
    EXPECT_TRUE(script->seen.empty()) << "no dialog opens";
    ASSERT_EQ(host.records().errorMessages.size(), 1u);
    EXPECT_EQ(host.records().errorMessages[0],
              "The Savitzky-Golay settings of this channel could not be created: out of memory.");
}

TEST_F(SettingsDialogTest, OutOfMemory) {
    const int pointersBefore = host.memory().livePointers(refhost::Owner::module);
    const int handlesBefore = host.memory().liveHandles(refhost::Owner::module);
    host.faults().failAllocationOnCall(1);  // the context
    EXPECT_EQ(Run({kOK}), 0);
    EXPECT_TRUE(host.records().errorMessages.empty());

    host.faults().failAllocationOnCall(2);  // the working copy
    EXPECT_EQ(Run({kOK}), 0);
    EXPECT_EQ(host.records().errorMessages, std::vector<std::string>{"Savitzky-Golay: Out of memory"});
    EXPECT_TRUE(script->seen.empty());

    host.records().errorMessages.clear();
    host.faults().failAllocationOnCall(3);  // the settings, while the host applies the first report
    EXPECT_EQ(Run({kOK}), 0) << "confirmed, but the channel has no settings";
    EXPECT_EQ((*computation->instance())->state, sg::kStateOutOfMemory);
    EXPECT_EQ(host.memory().livePointers(refhost::Owner::module), pointersBefore);
    EXPECT_EQ(host.memory().liveHandles(refhost::Owner::module), handlesBefore);
}

// The catch-all's message, from the host's own resource file.
std::string UnexpectedFailure() {
    sg::Str255 text{};
    GetIndString(text, 2015, 1);
    return Text(text);
}

// Each of the twelve calls that record OK's reports (the host id of each parameter, then the
// report) failing in turn: the channel keeps the settings it had before the dialog, and so its
// output, and the host gets back the working copy, the context, the dialog, the port and the
// resource access.
TEST_F(SettingsDialogTest, AHostFailingWhileOKIsRecordedLeavesTheSettingsOfBeforeTheDialog) {
    for (auto [parameter, value] : std::vector<std::pair<uint16_t, int16_t>>{
             {sg::kParamSourceChannel, 2}, {sg::kParamUseComputedSource, 0}, {sg::kParamDerivativeOrder, 0},
             {sg::kParamPolynomialOrder, 3}, {sg::kParamWindowWidth, 9}, {sg::kParamRangeIndex, 4}})
        computation->setParameter(parameter, value);
    computation->computeBlock(1);
    const sg::LocalDataType before = Settings();
    const std::vector<float> outputBefore = ComputedSamples(1, 1);
    // Every parameter the dialog can change gets a new value; the range index is reported as it was.
    const std::vector<DialogStep> changes{{6, 3, {}}, {10, {}, {}}, {13, 2, {}}, {15, 3, {}}, {17, {}, "13"}, kOK};
    std::vector<std::pair<int, int>> failingCalls;  // (service, nth call of it within the run)
    for (int n = 1; n <= 6; ++n) failingCalls.emplace_back(service::MapParameterId::index, n);
    for (int n = 1; n <= 5; ++n) failingCalls.emplace_back(service::RecordParameterShort::index, n);
    failingCalls.emplace_back(service::RecordParameterFlag::index, 1);
    const int pointersBefore = host.memory().livePointers(refhost::Owner::module);

    for (auto [failing, nth] : failingCalls) {
        const std::string where = "service " + std::to_string(failing) + " failing at its call " + std::to_string(nth);
        host.records().errorMessages.clear();
        host.faults().throwOnServiceCall(failing, nth);
        EXPECT_EQ(Run(changes), 0) << where;
        EXPECT_EQ(host.records().errorMessages, std::vector<std::string>{UnexpectedFailure()}) << where;
        host.faults().reset();

        const sg::LocalDataType& after = Settings();
        EXPECT_EQ(std::vector<int>({after.sourceChannel, after.useComputedSource, after.derivativeOrder,
                                    after.polynomialOrder, after.windowWidth, after.rangeIndex}),
                  std::vector<int>({before.sourceChannel, before.useComputedSource, before.derivativeOrder,
                                    before.polynomialOrder, before.windowWidth, before.rangeIndex}))
            << where;
        EXPECT_EQ((*computation->instance())->state, sg::kStateSettingsInPlace) << where;
        EXPECT_TRUE(host.strayModuleMemory().empty()) << where << ": " << host.strayModuleMemory().front();
        EXPECT_EQ(host.memory().livePointers(refhost::Owner::module), pointersBefore) << where;
        EXPECT_EQ(platform::LiveDialogCount(), 0u) << where;
        ExpectNoMisbehaviour();  // nothing left locked, begun or with the port changed

        computation->computeBlock(1);
        EXPECT_EQ(ComputedSamples(1, 1), outputBefore) << where;
    }
}

// A channel that had no settings has none again, and the record the first reports created goes
// back to the host; the next OK then works as ever.
TEST_F(SettingsDialogTest, AChannelWithoutSettingsHasNoneAfterAHostFailureWhileOKIsRecorded) {
    const int handlesBefore = host.memory().liveHandles(refhost::Owner::module);
    host.faults().throwOnServiceCall(service::RecordParameterShort::index, 2);  // the derivative order's report
    EXPECT_EQ(Run({{15, 3, {}}, kOK}), 0);
    host.faults().reset();
    EXPECT_EQ(Reports().size(), 2u) << "the source and its kind were applied before the failure";
    EXPECT_EQ((*computation->instance())->settings, nullptr);
    EXPECT_EQ((*computation->instance())->state, sg::kStateCreated);
    EXPECT_EQ(host.memory().liveHandles(refhost::Owner::module), handlesBefore);
    EXPECT_TRUE(host.strayModuleMemory().empty());

    EXPECT_EQ(Run({{15, 3, {}}, kOK}), 1);
    EXPECT_EQ(Settings().polynomialOrder, 4);
}

}  // namespace
}  // namespace sgtest
