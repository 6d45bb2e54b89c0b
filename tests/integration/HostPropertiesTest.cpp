// What a host relies on, over randomised recordings, settings and spans with the host's stress
// modes on: only output[first .. end - 1] changes and every sample in it is written; a span
// computed in pieces, in any order, gives the bits of the whole; the same parameters give the same
// settings record and weight table byte for byte; the locale and the floating-point control modes
// are the host's after every call; and the module can be loaded, used and unloaded again and again
// in one process. (That sources are never written the host checks after every call.) Every case
// is seeded: SG_PROPERTY_SEED=<seed> replays one.
#include <algorithm>
#include <bit>
#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <xmmintrin.h>

#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

using refhost::DataKind;

// A NaN, which finite sources and scalings never give, and quiet, so that moving it through the
// x87 stack (as unoptimised 32-bit code does with a float result) keeps its bits: a sample still
// showing it was not written.
constexpr uint32_t kNotWritten = 0x7FC0BEEF;

struct ControlState {
    std::string locale;
    int rounding;
    unsigned sseControl;  // MXCSR without the sticky exception flags
    bool operator==(const ControlState&) const = default;
};

ControlState CurrentControlState() {
    return {std::setlocale(LC_ALL, nullptr), std::fegetround(), _mm_getcsr() & ~0x3Fu};
}

class HostPropertiesTest : public ModuleTest, public ::testing::WithParamInterface<unsigned> {
protected:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // Channels 1 (filtered, its own raw source too) and 2 (another source, raw and computed), over
    // runs of random blocks, some broken inside a block.
    void BuildRecording() {
        AddChannel("own", 0.5);
        AddChannel("other", 2.0);
        const int runs = Pick(1, 3);
        for (int r = 0; r < runs; ++r) {
            std::vector<int16_t> lengths(Pick(1, 3));
            for (auto& length : lengths) length = static_cast<int16_t>(Pick(1, 70));
            AddRun(lengths);
        }
        auto& recording = host.recording();
        if (Pick(0, 2) == 0 && recording.sampleCount() > 1) recording.breakRunAt(Pick(1, recording.sampleCount() - 1));
        std::uniform_real_distribution<float> value(-0.9f, 0.9f);
        for (int16_t block = 1; block <= recording.blockCount(); ++block) {
            for (float& v : recording.values(DataKind::raw, 1, block)) v = value(random_);
            for (float& v : recording.values(DataKind::raw, 2, block)) v = value(random_);
            for (float& v : recording.values(DataKind::computed, 2, block)) v = value(random_);
        }
    }

    std::vector<std::pair<uint16_t, int16_t>> RandomParameters() {
        const int source = Pick(0, 2);  // own raw, other raw, other computed
        return {{sg::kParamSourceChannel, static_cast<int16_t>(source == 0 ? 1 : 2)},
                {sg::kParamUseComputedSource, static_cast<int16_t>(source == 2)},
                {sg::kParamDerivativeOrder, static_cast<int16_t>(Pick(0, 2))},
                {sg::kParamPolynomialOrder, static_cast<int16_t>(Pick(2, 6))},
                {sg::kParamWindowWidth, static_cast<int16_t>(Pick(5, 41))},
                {sg::kParamRangeIndex, static_cast<int16_t>(Pick(-3, 9))}};
    }

    void FillOutput(int16_t block) {
        for (float& v : host.recording().values(DataKind::computed, 1, block)) v = std::bit_cast<float>(kNotWritten);
    }
    std::vector<uint32_t> OutputBits(int16_t block) {
        std::vector<uint32_t> bits;
        for (float v : host.recording().values(DataKind::computed, 1, block)) bits.push_back(std::bit_cast<uint32_t>(v));
        return bits;
    }

    void ExpectHostControlState(const std::string& after) {
        EXPECT_EQ(CurrentControlState(), hostState_) << "the locale or the floating-point modes changed after " << after;
    }

    std::mt19937 random_{GetParam()};
    ControlState hostState_ = CurrentControlState();
};

TEST_P(HostPropertiesTest, SpansWriteTheirSamplesOnlyAndPiecesGiveTheWhole) {
    SCOPED_TRACE("SG_PROPERTY_SEED=" + std::to_string(GetParam()));
    BuildRecording();
    auto computation = refhost::ChannelComputation::create(host, 1);
    ASSERT_TRUE(computation.has_value());
    for (auto [parameter, value] : RandomParameters()) computation->setParameter(parameter, value);
    ExpectHostControlState("setting the parameters");

    for (int request = 0; request < 4; ++request) {
        const auto block = static_cast<int16_t>(Pick(1, host.recording().blockCount()));
        const int length = host.recording().blockLength(block);
        const auto first = static_cast<int16_t>(Pick(0, length - 1));
        const auto end = static_cast<int16_t>(Pick(first + 1, length));
        SCOPED_TRACE("block " + std::to_string(block) + " span " + std::to_string(first) + ".." + std::to_string(end));

        FillOutput(block);
        computation->computeSpan(block, first, end);
        ExpectHostControlState("a span");
        const auto whole = OutputBits(block);
        for (int n = 0; n < length; ++n) {
            if (n >= first && n < end) {
                EXPECT_NE(whole[n], kNotWritten) << "sample " << n << " of the span was not written";
            } else {
                EXPECT_EQ(whole[n], kNotWritten) << "sample " << n << " outside the span was written";
            }
        }

        // The span in pieces, computed in a random order.
        std::vector<int16_t> cuts{first, end};
        for (int cut = Pick(0, 4); cut > 0; --cut) cuts.push_back(static_cast<int16_t>(Pick(first, end)));
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        std::vector<std::size_t> order(cuts.size() - 1);
        std::iota(order.begin(), order.end(), 0u);
        std::shuffle(order.begin(), order.end(), random_);
        FillOutput(block);
        for (std::size_t piece : order) computation->computeSpan(block, cuts[piece], cuts[piece + 1]);
        EXPECT_EQ(OutputBits(block), whole) << "the span in " << order.size() << " pieces";
    }
}

TEST_P(HostPropertiesTest, TheSameParametersGiveTheSameRecordAndTable) {
    SCOPED_TRACE("SG_PROPERTY_SEED=" + std::to_string(GetParam()));
    BuildRecording();
    const auto parameters = RandomParameters();
    auto first = refhost::ChannelComputation::create(host, 1);
    auto second = refhost::ChannelComputation::create(host, 1);
    ASSERT_TRUE(first && second);
    for (auto [parameter, value] : parameters) first->setParameter(parameter, value);
    // The second instance gets there by another road: values out of range, other values first,
    // the parameters in reverse order, then once more in order.
    for (auto [parameter, value] : parameters) second->setParameter(parameter, static_cast<int16_t>(value + Pick(-300, 300)));
    for (auto it = parameters.rbegin(); it != parameters.rend(); ++it) second->setParameter(it->first, it->second);
    for (auto [parameter, value] : parameters) second->setParameter(parameter, value);

    const auto block = static_cast<int16_t>(Pick(1, host.recording().blockCount()));
    first->computeBlock(block);
    second->computeBlock(block);
    ExpectHostControlState("computing");
    const sg::LocalDataType& a = **(*first->instance())->settings;
    const sg::LocalDataType& b = **(*second->instance())->settings;
    EXPECT_EQ(0, std::memcmp(&a, &b, offsetof(sg::LocalDataType, weights))) << "the settings records differ";
    ASSERT_EQ(a.weights == nullptr, b.weights == nullptr);
    if (a.weights != nullptr) {
        const std::size_t size = host.memory().sizeOf(reinterpret_cast<sg::Handle>(a.weights));
        ASSERT_EQ(size, host.memory().sizeOf(reinterpret_cast<sg::Handle>(b.weights)));
        EXPECT_EQ(0, std::memcmp(*a.weights, *b.weights, size)) << "the weight tables differ";
    }
}

std::vector<unsigned> PropertySeeds() {
    if (const char* replay = std::getenv("SG_PROPERTY_SEED")) return {static_cast<unsigned>(std::strtoul(replay, nullptr, 10))};
    std::vector<unsigned> seeds(SG_PROPERTY_CASES);
    std::iota(seeds.begin(), seeds.end(), 1u);
    return seeds;
}

INSTANTIATE_TEST_SUITE_P(Seeded, HostPropertiesTest, ::testing::ValuesIn(PropertySeeds()));

// Each round loads its own copy of the module, so that unloading it really unmaps it, and the
// next load starts the module afresh: the answers stay the same bits round after round.
TEST(ModuleReloadTest, LoadUseUnloadAgainAndAgain) {
    std::vector<uint32_t> firstRound;
    for (int round = 0; round < SG_RELOAD_ROUNDS; ++round) {
        const auto copy = FreshModuleCopy();
        {
            refhost::ReferenceHost host;
            host.loadModule(copy);
            host.recording().addChannel({"own", "own title", refhost::nativeScaling(0.5, "mV", 3),
                                         refhost::nativeScaling(0.5, "mV", 3)});
            host.recording().addBlock(40, 0.001, refhost::RunBoundary::startsRun);
            host.recording().addBlock(30, 0.001, refhost::RunBoundary::continuesRun);
            int i = 0;
            for (int16_t block : std::initializer_list<int16_t>{1, 2})
                for (float& v : host.recording().values(DataKind::raw, 1, block)) v = static_cast<float>(std::sin(0.2 * i++));
            EXPECT_EQ(refhost::functionName(host), "Savitzky-Golay");
            auto computation = refhost::ChannelComputation::create(host, 1);
            ASSERT_TRUE(computation.has_value()) << "round " << round;
            computation->setParameter(sg::kParamWindowWidth, 9);
            computation->setParameter(sg::kParamDerivativeOrder, 1);
            computation->computeBlock(1);
            std::vector<uint32_t> bits;
            for (float v : host.recording().values(DataKind::computed, 1, 1)) bits.push_back(std::bit_cast<uint32_t>(v));
            if (round == 0) firstRound = bits;
            EXPECT_EQ(bits, firstRound) << "round " << round;
            for (const std::string& entry : host.misbehaviour().entries()) ADD_FAILURE() << "round " << round << ": " << entry;
        }
        std::filesystem::remove_all(copy.parent_path());
    }
}

}  // namespace
}  // namespace sgtest
