// Filtering spans of blocks through selector 8: the host calls of a request, the zones of a run,
// windows that cross block boundaries, the copy and zero fallbacks, and spans a host gets wrong.
#include <bit>
#include <cmath>
#include <cstring>

#include "support/LeastSquaresOracle.h"
#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

namespace service = sg::service;
using refhost::DataKind;

bool Unwritten(float value) { return std::bit_cast<uint32_t>(value) == refhost::kUnwrittenSampleBits; }

class FilteringTest : public ModuleTest {
protected:
    // One channel that filters its own raw samples, with width 5 and order 2 unless changed.
    void Prepare(const std::vector<int16_t>& blocks, const std::vector<float>& samples) {
        channel = AddChannel("signal");
        AddRun(blocks);
        SetRawSamples(channel, samples);
        computation.emplace(*refhost::ChannelComputation::create(host, channel));
        computation->setParameter(sg::kParamWindowWidth, 5);
    }
    std::vector<std::string> ServiceNames() {
        std::vector<std::string> names;
        for (const auto& call : host.trace().calls())
            if (call.index != service::GetDataAccessContext::index) names.emplace_back(call.name);
        return names;
    }

    int16_t channel = 0;
    std::optional<refhost::ChannelComputation> computation;
};

std::vector<float> Ramp(int count, float (*f)(int)) {
    std::vector<float> values(count);
    for (int i = 0; i < count; ++i) values[i] = f(i);
    return values;
}

TEST_F(FilteringTest, TheHostCallsOfOneRequest) {
    Prepare({10, 10}, Ramp(20, [](int i) { return 0.01f * static_cast<float>(i % 7); }));
    host.trace().clear();
    computation->computeSpan(1, 6, 10);
    const std::vector<std::string> expected = {
        "GetBlockLength", "LockHandle", "GetBlockInfo", "GetRawScaling",
        "NewBufferHandle", "BeginLongOperation", "EndLongOperation",
        "PositionToIndex", "PositionToIndex", "GetContiguousRange",
        "BeginLongOperation", "SetProgressState",
        // sample 6: the requested block comes with the request
        "IndexToPosition", "GetBlockLength", "ReportProgress",
        // sample 8's window reaches into block 2
        "IndexToPosition", "GetRawBlock", "GetBlockLength", "ReportProgress",
        // sample 9's window starts in block 1 again
        "ReleaseRawBlock", "IndexToPosition", "GetBlockLength", "ReportProgress",
        "IndexToPosition", "GetRawBlock", "GetBlockLength", "ReportProgress",
        "ReleaseRawBlock", "EndLongOperation", "UnlockHandle"};
    EXPECT_EQ(ServiceNames(), expected);
    EXPECT_EQ(host.records().progressStates, std::vector<int32_t>{4});
    EXPECT_EQ(host.records().lastProgressStep, 15);

    host.trace().clear();
    computation->computeSpan(1, 0, 2);
    EXPECT_EQ(host.trace().count(service::NewBufferHandle::index), 0) << "the table is kept";
    EXPECT_EQ(host.records().longOperationsBegun, 3) << "only the filtering bracket this time";
}

TEST_F(FilteringTest, WorkedExampleOfTheZonesOfARun) {
    const std::vector<float> stored = Ramp(100, [](int i) { return std::sin(0.37f * static_cast<float>(i)) * 0.5f; });
    Prepare({100}, stored);
    const std::vector<double> x(stored.begin(), stored.end());
    computation->computeBlock(1);
    const auto y = ComputedSamples(channel, 1);
    auto near = [&](int n, double expected) { EXPECT_NEAR(y[n], expected, 2e-7) << "sample " << n; };
    near(0, (31 * x[0] + 9 * x[1] - 3 * x[2] - 5 * x[3] + 3 * x[4]) / 35.0);
    near(1, (9 * x[0] + 13 * x[1] + 12 * x[2] + 6 * x[3] - 5 * x[4]) / 35.0);
    for (int n = 2; n <= 97; ++n) near(n, (-3 * x[n - 2] + 12 * x[n - 1] + 17 * x[n] + 12 * x[n + 1] - 3 * x[n + 2]) / 35.0);
    near(99, (3 * x[95] - 5 * x[96] - 3 * x[97] + 9 * x[98] + 31 * x[99]) / 35.0);

    const float first = y[50];
    computation->computeSpan(1, 50, 100);
    EXPECT_EQ(ComputedSamples(channel, 1)[50], first) << "a span from mid-block gives the same bits";
}

TEST_F(FilteringTest, PolynomialsUpToTheOrderComeThroughAtEveryPosition) {
    Prepare({37, 41, 22}, Ramp(100, [](int) { return 0.25f; }));
    computation->setParameter(sg::kParamWindowWidth, 11);
    for (int16_t block = 1; block <= 3; ++block) computation->computeBlock(block);
    for (int16_t block = 1; block <= 3; ++block)
        for (float value : ComputedSamples(channel, block)) EXPECT_EQ(value, 0.25f);

    SetRawSamples(channel, Ramp(100, [](int i) {
                      const float t = static_cast<float>(i - 50) / 64.0f;
                      return 0.5f * t * t - 0.25f * t + 0.125f;
                  }));
    std::size_t index = 0;
    for (int16_t block = 1; block <= 3; ++block) {
        computation->computeBlock(block);
        const auto raw = host.recording().values(DataKind::raw, channel, block);
        const auto y = ComputedSamples(channel, block);
        for (std::size_t n = 0; n < y.size(); ++n, ++index) EXPECT_NEAR(y[n], raw[n], 3e-7) << index;
    }
}

TEST_F(FilteringTest, TheSameDataInOtherBlocksGivesTheSameBits) {
    const auto x = Ramp(60, [](int i) { return 0.4f * std::sin(0.3f * static_cast<float>(i)) + 0.01f * static_cast<float>(i % 3); });
    channel = AddChannel("signal");
    // Two runs holding the same samples in different blocks: windows inside one block and windows
    // that straddle blocks must add the same terms in the same order.
    AddRun({60});
    AddRun({7, 13, 1, 20, 19});
    std::vector<float> both(x);
    both.insert(both.end(), x.begin(), x.end());
    SetRawSamples(channel, both);
    computation.emplace(*refhost::ChannelComputation::create(host, channel));
    computation->setParameter(sg::kParamWindowWidth, 9);
    computation->setParameter(sg::kParamPolynomialOrder, 3);
    for (int16_t block = 1; block <= 6; ++block) computation->computeBlock(block);
    std::vector<float> one = ComputedSamples(channel, 1), split;
    for (int16_t block = 2; block <= 6; ++block) {
        const auto part = ComputedSamples(channel, block);
        split.insert(split.end(), part.begin(), part.end());
    }
    ASSERT_EQ(split.size(), one.size());
    EXPECT_EQ(std::memcmp(one.data(), split.data(), one.size() * sizeof(float)), 0);
}

TEST_F(FilteringTest, WithoutSettingsTheSpanIsZero) {
    channel = AddChannel("signal");
    AddRun({20});
    computation.emplace(*refhost::ChannelComputation::create(host, channel));
    computation->computeSpan(1, 5, 12);
    const auto y = ComputedSamples(channel, 1);
    for (int n = 0; n < 20; ++n) {
        if (n >= 5 && n < 12) {
            EXPECT_EQ(std::bit_cast<uint32_t>(y[n]), 0u) << n;
        } else {
            EXPECT_TRUE(Unwritten(y[n])) << n;
        }
    }
}

TEST_F(FilteringTest, ARunShorterThanTheWindowIsCopied) {
    const auto x = Ramp(12, [](int i) { return 0.1f * static_cast<float>(i * i % 5); });
    Prepare({12}, x);
    computation->setParameter(sg::kParamWindowWidth, 13);
    computation->computeBlock(1);
    EXPECT_EQ(ComputedSamples(channel, 1), x);
    computation->setParameter(sg::kParamWindowWidth, 12);
    computation->computeBlock(1);
    EXPECT_NE(ComputedSamples(channel, 1), x) << "a run exactly as long as the window is filtered";
}

TEST_F(FilteringTest, NoMemoryForTheTableCopiesWithoutABracket) {
    const auto x = Ramp(30, [](int i) { return 0.01f * static_cast<float>(i % 4); });
    Prepare({30}, x);
    host.faults().failAllocationOnCall(1);
    computation->computeBlock(1);
    EXPECT_EQ(ComputedSamples(channel, 1), x);
    EXPECT_EQ(host.records().longOperationsBegun, 0);
    computation->computeBlock(1);
    EXPECT_NE(ComputedSamples(channel, 1), x) << "the next request builds the table";
}

TEST_F(FilteringTest, AnotherChannelsBlocksAreFetchedAndReleased) {
    const int16_t source = AddChannel("source");
    Prepare({8, 8, 8}, {});
    SetRawSamples(source, Ramp(24, [](int i) { return 0.02f * static_cast<float>(i); }));
    computation->setParameter(sg::kParamSourceChannel, source);
    computation->computeBlock(2);
    const auto y = ComputedSamples(channel, 2);
    for (int n = 0; n < 8; ++n) EXPECT_NEAR(y[n], 0.02f * static_cast<float>(8 + n), 1e-7);
    EXPECT_EQ(host.holds().fetches(DataKind::raw), host.holds().releases(DataKind::raw));
    EXPECT_GE(host.holds().fetches(DataKind::raw), 3);
}

TEST_F(FilteringTest, AnUnavailableBlockEndsTheSumsThatNeedIt) {
    Prepare({10, 10}, Ramp(20, [](int) { return 0.5f; }));
    host.recording().setAvailable(DataKind::raw, channel, 2, false);
    computation->computeBlock(1);
    const auto y = ComputedSamples(channel, 1);
    for (int n = 0; n < 8; ++n) EXPECT_FLOAT_EQ(y[n], 0.5f) << n;
    for (int n = 8; n < 10; ++n) EXPECT_TRUE(std::isfinite(y[n])) << "a partial sum, still a number";
}

TEST_F(FilteringTest, ASpanThatReachesIntoTheNextRunIsFilteredByEachRunsBounds) {
    const auto x = Ramp(40, [](int i) { return 0.3f * std::cos(0.4f * static_cast<float>(i)); });
    Prepare({40}, x);
    host.recording().breakRunAt(25);
    computation->computeBlock(1);
    const auto y = ComputedSamples(channel, 1);
    for (auto [first, end] : {std::pair{0, 25}, std::pair{25, 40}}) {
        const std::vector<long double> run(x.begin() + first, x.begin() + end);
        const auto expected = oracle::FilterRun(run, 5, 2, 0);
        for (int n = first; n < end; ++n) EXPECT_NEAR(y[n], static_cast<double>(expected[n - first]), 3e-7) << n;
    }
}

TEST_F(FilteringTest, SpansOutsideTheBlockWriteNothingOutsideIt) {
    Prepare({10}, Ramp(10, [](int) { return 0.5f; }));
    computation->computeSpan(1, -4, 3);
    computation->computeSpan(1, 8, 30);
    computation->computeSpan(1, 6, 6);
    computation->computeSpan(1, 7, 2);
    const auto y = ComputedSamples(channel, 1);
    for (int n : {0, 1, 2, 8, 9}) EXPECT_FLOAT_EQ(y[n], 0.5f) << n;
    for (int n : {3, 4, 5, 6, 7}) EXPECT_TRUE(Unwritten(y[n])) << n;

    sg::SpanRequest request{nullptr, nullptr, nullptr, 0, 1, 0, 10, 0};
    request.output = reinterpret_cast<float**>(host.recording().dataHandle(DataKind::computed, channel, 1));
    EXPECT_EQ(host.call(sg::kSelectorComputeSpan, request, channel), 0);
    for (float value : ComputedSamples(channel, 1)) EXPECT_EQ(value, 0.0f) << "a null instance gives zeros";
}

}  // namespace
}  // namespace sgtest
