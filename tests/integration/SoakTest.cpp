// A long session in one process: many randomised requests (spans, parameters, scaling and title
// queries, availability checks, dialog runs to OK or Cancel) against a few instances on one host.
// At the end the host's accounting is as it was after the warm-up (its own memory, the module's
// memory owned by the instances only, nothing locked or held) and, in the plain build, the
// resident memory has not grown. Seeded: SG_SOAK_SEED=<seed> replays a run.
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <unistd.h>

#include "integration/ModuleFixture.h"

namespace sgtest {
namespace {

using refhost::DataKind;

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Only the accounting stays on: moving every block at every call would make the soak a matter
// of minutes, and the fault sweeps and the fuzzer already run with it.
refhost::HostOptions SoakOptions() {
    refhost::HostOptions options = refhost::HostOptions::forBulkFiltering();
    options.noisyResults = true;
    return options;
}

class SoakTest : public ModuleTest {
protected:
    SoakTest() : ModuleTest(SoakOptions()) {}
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    void Request(std::vector<refhost::ChannelComputation>& computations);

    std::mt19937 random_;
};

void SoakTest::Request(std::vector<refhost::ChannelComputation>& computations) {
    auto& computation = computations[Pick(0, static_cast<int>(computations.size()) - 1)];
    const auto blocks = host.recording().blockCount();
    const auto block = static_cast<int16_t>(Pick(1, blocks));
    const int kind = Pick(0, 99);
    if (kind < 70) {
        const int length = host.recording().blockLength(block);
        const auto first = static_cast<int16_t>(Pick(0, length - 1));
        computation.computeSpan(block, first, static_cast<int16_t>(Pick(first + 1, length)));
    } else if (kind < 85) {
        const auto parameter = static_cast<uint16_t>(Pick(sg::kParamSourceChannel, sg::kParamRangeIndex + 1));
        computation.setParameter(parameter, static_cast<int16_t>(Pick(-4, 45)));
    } else if (kind < 90) {
        computation.outputScaling(static_cast<int16_t>(Pick(0, blocks)));
    } else if (kind < 94) {
        computation.defaultTitle();
    } else if (kind < 98) {
        computation.sourceAvailable(block);
    } else {
        std::vector<refhost::DialogStep> steps;
        for (int step = Pick(0, 4); step > 0; --step)
            steps.push_back({static_cast<int16_t>(Pick(6, 18)), static_cast<int16_t>(Pick(1, 5)), std::to_string(Pick(0, 60))});
        steps.push_back({static_cast<int16_t>(Pick(1, 2)), {}, {}});
        host.dialogs().setDriver(std::make_shared<refhost::ScriptedDialog>(std::move(steps)));
        sg::InstanceChannelBlock request{computation.instance(), computation.channel(), 0};
        host.call(sg::kSelectorRunSettingsDialog, request);
    }
    // The host takes in what the module told it, as a host does.
    host.records().parameterReports.clear();
    host.records().progressStates.clear();
    host.dialogs().records() = {};
}

TEST_F(SoakTest, ManyRequestsLeaveTheHostAsItWas) {
    const char* replay = std::getenv("SG_SOAK_SEED");
    const unsigned seed = replay != nullptr ? static_cast<unsigned>(std::strtoul(replay, nullptr, 10)) : 1u;
    SCOPED_TRACE("SG_SOAK_SEED=" + std::to_string(seed));
    random_.seed(seed);

    for (const char* name : {"pressure", "flow", "derived"}) AddChannel(name, 0.5);
    AddRun({200, 150, 120});
    AddRun({90, 250});
    auto& recording = host.recording();
    recording.breakRunAt(recording.blockStart(5) + 100);
    std::uniform_real_distribution<float> value(-0.9f, 0.9f);
    for (int16_t block = 1; block <= recording.blockCount(); ++block)
        for (int16_t channel = 1; channel <= 3; ++channel)
            for (DataKind kind : {DataKind::raw, DataKind::computed})
                if (kind == DataKind::raw || channel == 3)
                    for (float& v : recording.values(kind, channel, block)) v = value(random_);

    std::vector<refhost::ChannelComputation> computations;
    for (int16_t channel : std::initializer_list<int16_t>{1, 2}) {
        auto computation = refhost::ChannelComputation::create(host, channel);
        ASSERT_TRUE(computation.has_value());
        computation->setParameter(sg::kParamSourceChannel, 3);
        computation->setParameter(sg::kParamUseComputedSource, 1);
        computations.push_back(*computation);
    }

    constexpr int kRequests = SG_SOAK_REQUESTS;
    constexpr int kWarmUp = kRequests / 10;
    for (int request = 0; request < kWarmUp; ++request) Request(computations);
    const int hostHandles = host.memory().liveHandles(refhost::Owner::host);
    const int hostPointers = host.memory().livePointers(refhost::Owner::host);
    const long residentBefore = ResidentKilobytes();
    const int handlesBefore = host.memory().counts().handlesAllocated;
    for (int request = kWarmUp; request < kRequests; ++request) {
        Request(computations);
        if (!host.misbehaviour().entries().empty()) {
            ADD_FAILURE() << "request " << request << ": host saw: " << host.misbehaviour().entries().front();
            return;
        }
    }
    const long residentAfter = ResidentKilobytes();
    const int handlesAllocated = host.memory().counts().handlesAllocated - handlesBefore;
    std::printf("soak: %d requests; resident memory %ld KB after the first %d, %ld KB at the end; %d handles allocated "
                "and disposed in between\n",
                kRequests, residentBefore, kWarmUp, residentAfter, handlesAllocated);

    EXPECT_EQ(host.memory().liveHandles(refhost::Owner::host), hostHandles);
    EXPECT_EQ(host.memory().livePointers(refhost::Owner::host), hostPointers);
    EXPECT_TRUE(host.strayModuleMemory().empty()) << host.strayModuleMemory().front();
    EXPECT_LE(host.memory().liveHandles(refhost::Owner::module), 3 * static_cast<int>(computations.size()));
    EXPECT_EQ(host.memory().livePointers(refhost::Owner::module), 0);
    EXPECT_EQ(host.holds().held(), 0);
    EXPECT_TRUE(host.records().errorMessages.empty());
#ifndef SG_SANITIZED
    // The sanitizers keep freed memory in quarantine, so only the plain build measures growth. The
    // reference host remembers every handle ever disposed (to name a second disposal), some 30 bytes
    // each; beyond that nothing may grow.
    const long hostRegistryKilobytes = handlesAllocated * 48L / 1024;
    EXPECT_LE(residentAfter - residentBefore, hostRegistryKilobytes + 64) << "resident memory grew";
#endif
}

}  // namespace
}  // namespace sgtest
