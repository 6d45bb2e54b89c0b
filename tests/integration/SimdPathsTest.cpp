// Every kernel the processor can run, through Main1 with the host's stress modes on, against the
// plain loop: the same output bits and the same host calls with the same blocks, over seeded
// random signals, window widths (odd and even), orders, derivatives and scalings, runs shorter and
// longer than the window, blocks that windows straddle, one block holding the end of a run and the
// start of the next, raw and computed sources, blocks the host cannot give (always, or once
// mid-request), and spans that start and end inside a block. Each path runs in a fresh copy of the
// module, which reads the cap on its instruction set anew.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <random>

#include "module/filter/CentreKernelChoice.h"
#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

using refhost::DataKind;

struct Outcome {
    std::vector<uint32_t> bits;  // every computed sample, block after block, span after span
    // The host services called, in order, each with its channel, block or index where it takes
    // one (the data-access context and addresses left out).
    std::vector<std::vector<uint32_t>> services;
};

// How many words after the data-access context name a channel, block or index.
std::size_t NumberWords(std::string_view service) {
    for (std::string_view paging : {"GetRawBlock", "ReleaseRawBlock", "GetComputedBlock", "ReleaseComputedBlock"})
        if (service == paging) return 2;
    return service == "GetBlockLength" || service == "IndexToPosition" ? 1 : 0;
}

// The cap lasts until the module has made its choice, at its first computation.
class SimdLimit {
public:
    explicit SimdLimit(sg::SimdPath path) { setenv(sg::kSimdLimitVariable, sg::PathName(path), 1); }
    ~SimdLimit() { unsetenv(sg::kSimdLimitVariable); }
    SimdLimit(const SimdLimit&) = delete;
    SimdLimit& operator=(const SimdLimit&) = delete;
};

// One seeded case on a fresh host and module copy, with the kernel capped at `path`.
Outcome Filter(unsigned seed, sg::SimdPath path) {
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const SimdLimit limit(path);
    refhost::ReferenceHost host;
    host.loadModule(FreshModuleCopy());
    auto& recording = host.recording();

    const auto width = static_cast<int16_t>(SG_SIMD_PATH_WIDE_WINDOWS && pick(0, 3) == 0 ? pick(100, 201) : pick(5, 60));
    const double factor = std::array{1.0, 0.37, 250.0}[pick(0, 2)];
    const double offset = std::array{0.0, -12.5, 3e4}[pick(0, 2)];
    const int16_t own = recording.addChannel({"own", "own", refhost::nativeScaling(factor, "V", 3),
                                              refhost::nativeScaling(factor, "V", 3)});
    const int16_t other = recording.addChannel(
        {"other", "other", refhost::convertedScaling(2.0, factor, offset, "Pa", 2),
         refhost::convertedScaling(2.0, factor, offset, "Pa", 2)});
    // Runs of blocks shorter and longer than the window, so that some windows straddle blocks and
    // some centre zones are long enough for several tiles of the kernel. Blocks shorter than a wide
    // window would move the cursor at nearly every sample, which the stress modes make slow.
    const bool wide = width > 60;
    const int runs = pick(1, wide ? 2 : 3);
    for (int r = 0; r < runs; ++r) {
        const int blocks = pick(1, wide ? 2 : 4);
        for (int b = 0; b < blocks; ++b)
            recording.addBlock(static_cast<int16_t>(!wide && pick(0, 2) == 0 ? pick(1, width) : pick(width, 600)),
                               std::array{0.001, 0.0005, 0.25}[pick(0, 2)],
                               b == 0 ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
    }
    if (pick(0, 3) == 0) recording.breakRunAt(pick(1, recording.sampleCount() - 1));
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        for (int16_t channel : {own, other}) {
            for (DataKind kind : {DataKind::raw, DataKind::computed}) {
                if (channel == own && kind == DataKind::computed) continue;  // the output
                float phase = 0.0f;
                for (float& v : recording.values(kind, channel, block))
                    v = 0.6f * std::sin(phase += 0.01f * static_cast<float>(width)) + noise(random);
            }
        }
    }

    // The own channel's raw samples, another channel's raw samples or its computed values.
    const int source = pick(0, 2);
    const DataKind sourceKind = source == 2 ? DataKind::computed : DataKind::raw;
    const int16_t sourceChannel = source == 0 ? own : other;
    if (pick(0, 3) == 0)
        recording.setAvailable(sourceKind, sourceChannel, static_cast<int16_t>(pick(1, recording.blockCount())), false);
    auto computation = refhost::ChannelComputation::create(host, own);
    computation->setParameter(sg::kParamSourceChannel, sourceChannel);
    computation->setParameter(sg::kParamUseComputedSource, sourceKind == DataKind::computed);
    computation->setParameter(sg::kParamWindowWidth, width);
    computation->setParameter(sg::kParamPolynomialOrder, static_cast<int16_t>(pick(2, 6)));
    computation->setParameter(sg::kParamDerivativeOrder, static_cast<int16_t>(pick(0, 2)));

    host.trace().clear();
    Outcome outcome;
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        const int16_t length = recording.blockLength(block);
        // The host may move the output between calls: it is looked up afresh each time.
        auto output = [&] { return recording.values(DataKind::computed, own, block); };
        auto keep = [&] { for (float v : output()) outcome.bits.push_back(std::bit_cast<uint32_t>(v)); };
        // Now and then a fetch the host cannot serve this once, part way through the request.
        if (pick(0, 2) == 0) host.faults().failBlockFetchOnCall(pick(1, 8));
        // The whole block, then, over a cleared output, spans that start and end inside it.
        computation->computeBlock(block);
        host.faults().reset();
        keep();
        std::ranges::fill(output(), 0.0f);
        for (int16_t first = 0; first < length;) {
            const auto end = static_cast<int16_t>(std::min<int>(length, first + pick(1, length)));
            computation->computeSpan(block, first, end);
            first = end;
        }
        keep();
    }
    for (const auto& call : host.trace().calls()) {
        std::vector<uint32_t> entry{static_cast<uint32_t>(call.index)};
        const std::size_t numbers = std::min(NumberWords(call.name), call.words.size() - 1);
        entry.insert(entry.end(), call.words.begin() + 1, call.words.begin() + 1 + static_cast<std::ptrdiff_t>(numbers));
        outcome.services.push_back(std::move(entry));
    }
    for (const std::string& entry : host.misbehaviour().entries()) ADD_FAILURE() << "host saw: " << entry;
    EXPECT_EQ(host.holds().held(), 0) << "data blocks still held";
    return outcome;
}

class SimdPathsTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(SimdPathsTest, EveryKernelGivesThePlainBitsWithTheSameHostCalls) {
    const unsigned seed = GetParam();
    const Outcome plain = Filter(seed, sg::SimdPath::plain);
    ASSERT_FALSE(plain.bits.empty());
    for (sg::SimdPath path : {sg::SimdPath::sse2, sg::SimdPath::avx2, sg::SimdPath::avx512}) {
        if (path > sg::WidestSupportedPath()) continue;
        SCOPED_TRACE(std::string("seed ") + std::to_string(seed) + ", " + sg::PathName(path));
        const Outcome fast = Filter(seed, path);
        EXPECT_EQ(fast.bits, plain.bits);
        EXPECT_EQ(fast.services, plain.services);
    }
}

std::vector<unsigned> SimdPathSeeds() {
    std::vector<unsigned> seeds(SG_SIMD_PATH_CASES);
    for (unsigned i = 0; i < seeds.size(); ++i) seeds[i] = 1100 + i;
    return seeds;
}

INSTANTIATE_TEST_SUITE_P(Seeded, SimdPathsTest, ::testing::ValuesIn(SimdPathSeeds()));

}  // namespace
}  // namespace sgtest
