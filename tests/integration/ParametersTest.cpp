// A channel's instance and settings through selectors 6 and 10: defaults, range checks, the
// own-channel rule, the weight table's discard rule and the states that freeze an instance.
#include "module/host/HostCallbacks.h"
#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

using sg::LocalDataType;
namespace service = sg::service;

class ParametersTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        for (const char* name : {"a", "b", "c"}) AddChannel(name);
        AddRun({40});
        computation.emplace(*refhost::ChannelComputation::create(host, 2));
    }
    sg::FunctionInstance& Instance() { return **computation->instance(); }
    LocalDataType& Settings() { return **Instance().settings; }
    void Set(uint16_t parameter, int16_t value) { computation->setParameter(parameter, value); }

    std::optional<refhost::ChannelComputation> computation;
};

TEST_F(ParametersTest, CreationAndTheFirstParameter) {
    EXPECT_EQ(Instance().channel, 2);
    EXPECT_EQ(Instance().state, sg::kStateCreated);
    EXPECT_EQ(Instance().settings, nullptr);
    EXPECT_EQ(Instance().channelCount, 3);

    Set(sg::kParamPolynomialOrder, 4);
    EXPECT_EQ(Instance().state, sg::kStateSettingsInPlace);
    const LocalDataType& s = Settings();
    EXPECT_EQ(s.ownChannel, 2);
    EXPECT_EQ(s.sourceChannel, 2);
    EXPECT_EQ(s.useComputedSource, 0);
    EXPECT_EQ(s.derivativeOrder, 0);
    EXPECT_EQ(s.polynomialOrder, 4);
    EXPECT_EQ(s.windowWidth, 5);
    EXPECT_EQ(s.rangeIndex, 0);
    EXPECT_EQ(s.inputScale, 1.0);
    EXPECT_EQ(s.weights, nullptr);
}

TEST_F(ParametersTest, AnInvalidFirstValueStillCreatesTheDefaults) {
    Set(sg::kParamWindowWidth, 4);
    EXPECT_EQ(Instance().state, sg::kStateSettingsInPlace);
    EXPECT_EQ(Settings().windowWidth, 5);
}

TEST_F(ParametersTest, EachRangeIsCheckedOnItsOwn) {
    Set(sg::kParamWindowWidth, 4);
    Set(sg::kParamWindowWidth, 202);
    EXPECT_EQ(Settings().windowWidth, 5);
    Set(sg::kParamWindowWidth, 6);
    EXPECT_EQ(Settings().windowWidth, 6);

    for (int16_t source : std::initializer_list<int16_t>{0, -1, 4}) Set(sg::kParamSourceChannel, source);
    EXPECT_EQ(Settings().sourceChannel, 2);
    Set(sg::kParamSourceChannel, 3);
    EXPECT_EQ(Settings().sourceChannel, 3);

    Set(sg::kParamRangeIndex, -3);
    EXPECT_EQ(Settings().rangeIndex, -3);
    Set(sg::kParamRangeIndex, 9);
    Set(sg::kParamRangeIndex, 10);
    Set(sg::kParamRangeIndex, -4);
    EXPECT_EQ(Settings().rangeIndex, 9);

    Set(sg::kParamDerivativeOrder, 3);
    Set(sg::kParamDerivativeOrder, -1);
    EXPECT_EQ(Settings().derivativeOrder, 0);
    Set(sg::kParamDerivativeOrder, 2);
    EXPECT_EQ(Settings().derivativeOrder, 2);

    Set(sg::kParamPolynomialOrder, 1);
    Set(sg::kParamPolynomialOrder, 7);
    EXPECT_EQ(Settings().polynomialOrder, 2);
    Set(sg::kParamWindowWidth, 5);
    Set(sg::kParamPolynomialOrder, 6);
    EXPECT_EQ(Settings().polynomialOrder, 6) << "width 5 with order 6 is accepted";
    Set(sg::kParamUseComputedSource, 1);
    Set(12345, 7);
    EXPECT_EQ(Settings().useComputedSource, 1);
}

TEST_F(ParametersTest, ChannelCountIsTheOneReadAtCreation) {
    AddChannel("d");
    Set(sg::kParamSourceChannel, 4);
    EXPECT_EQ(Settings().sourceChannel, 2);
}

TEST_F(ParametersTest, OwnChannelNeverReadsItsComputedValues) {
    Set(sg::kParamUseComputedSource, 1);
    EXPECT_EQ(Settings().useComputedSource, 0);
    Set(sg::kParamSourceChannel, 1);
    Set(sg::kParamUseComputedSource, 1);
    EXPECT_EQ(Settings().useComputedSource, 1);
    Set(sg::kParamSourceChannel, 2);
    EXPECT_EQ(Settings().useComputedSource, 0) << "moving the source back to the own channel clears it";
    Set(sg::kParamSourceChannel, 1);
    Set(sg::kParamUseComputedSource, 0);
    EXPECT_EQ(Settings().useComputedSource, 0);
}

TEST_F(ParametersTest, TheWeightTableIsDiscardedOnlyWhenItsShapeChanges) {
    Set(sg::kParamWindowWidth, 7);
    computation->computeBlock(1);
    ASSERT_NE(Settings().weights, nullptr);
    const int disposedBefore = host.memory().counts().handlesDisposed;

    for (auto [parameter, value] : std::vector<std::pair<uint16_t, int16_t>>{
             {sg::kParamWindowWidth, 7}, {sg::kParamPolynomialOrder, 2}, {sg::kParamDerivativeOrder, 0},
             {sg::kParamSourceChannel, 1}, {sg::kParamUseComputedSource, 1}, {sg::kParamRangeIndex, 5}}) {
        Set(parameter, value);
        EXPECT_NE(Settings().weights, nullptr) << parameter;
    }
    EXPECT_EQ(host.memory().counts().handlesDisposed, disposedBefore);

    for (auto [parameter, value] : std::vector<std::pair<uint16_t, int16_t>>{
             {sg::kParamWindowWidth, 9}, {sg::kParamPolynomialOrder, 3}, {sg::kParamDerivativeOrder, 1}}) {
        computation->computeBlock(1);
        ASSERT_NE(Settings().weights, nullptr);
        Set(parameter, value);
        EXPECT_EQ(Settings().weights, nullptr) << parameter;
    }
    EXPECT_EQ(host.memory().counts().handlesDisposed, disposedBefore + 3);
}

// The host refusing to take the old table back (its DisposeHandle throws) keeps that table, but
// the channel still gets the new value and a table of the new shape at the next computation.
TEST_F(ParametersTest, AHostRefusingTheOldTableDoesNotCostTheNewValue) {
    Set(sg::kParamWindowWidth, 7);
    computation->computeBlock(1);
    ASSERT_NE(Settings().weights, nullptr);
    host.faults().throwOnServiceCall(service::DisposeHandle::index, 1);
    Set(sg::kParamDerivativeOrder, 1);
    host.faults().reset();
    EXPECT_EQ(host.records().errorMessages.size(), 1u) << "the catch-all's message";
    EXPECT_EQ(Settings().derivativeOrder, 1);
    EXPECT_EQ(Settings().weights, nullptr);

    const int disposedBefore = host.memory().counts().handlesDisposed;
    computation->computeBlock(1);
    ASSERT_NE(Settings().weights, nullptr);
    Set(sg::kParamDerivativeOrder, 1);
    EXPECT_NE(Settings().weights, nullptr) << "the new table has the new shape";
    EXPECT_EQ(host.memory().counts().handlesDisposed, disposedBefore);
}

TEST_F(ParametersTest, OnlyStatesTwoAndThreeAreEditable) {
    for (int16_t state : std::initializer_list<int16_t>{sg::kStateOutOfMemory, 0, 7}) {
        Instance().state = state;
        Set(sg::kParamWindowWidth, 9);
        EXPECT_EQ(Instance().state, state);
        EXPECT_EQ(Instance().settings, nullptr);
    }
    EXPECT_TRUE(host.records().errorMessages.empty());
}

TEST_F(ParametersTest, NoMemoryForTheSettingsFreezesTheInstance) {
    host.faults().failAllocationOnCall(1);
    Set(sg::kParamWindowWidth, 9);
    EXPECT_EQ(Instance().state, sg::kStateOutOfMemory);
    EXPECT_EQ(Instance().settings, nullptr);
    EXPECT_EQ(host.records().errorMessages, std::vector<std::string>{"Savitzky-Golay: Out of memory"});
    Set(sg::kParamWindowWidth, 9);
    EXPECT_EQ(Instance().settings, nullptr);
    EXPECT_EQ(host.records().errorMessages.size(), 1u);
}

TEST_F(ParametersTest, ANullInstanceIsIgnored) {
    EXPECT_EQ(refhost::setInstanceParameter(host, nullptr, sg::kParamWindowWidth, 9), 0);
    EXPECT_TRUE(host.trace().callsOf(sg::service::NewHandle::index).size() == 1u) << "only the instance's own";
}

}  // namespace
}  // namespace sgtest
