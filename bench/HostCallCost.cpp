#include "HostCallCost.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ThreadClock.h"
#include "module/host/HostCallbacks.h"
#include "refhost/ReferenceHost.h"
#include "refhost/Scaling.h"

namespace bench {

namespace {

constexpr int kHostCallBlockLength = 4096;
constexpr int kHostCallsPerRound = 2000;  // an even number: every call alternates between two blocks
constexpr int kHostCallRounds = 400;

// What the timing module sends back through its parameter block.
enum Kind {
    kIndexToPosition, kPositionToIndex, kGetRawBlock, kReleaseRawBlock, kGetComputedBlock, kReleaseComputedBlock,
    kGetBlockLength, kGetContiguousRange, kReportProgress, kLockHandle, kUnlockHandle, kKinds
};
constexpr const char* kNames[kKinds] = {"IndexToPosition", "PositionToIndex", "GetRawBlock", "ReleaseRawBlock",
                                        "GetComputedBlock", "ReleaseComputedBlock", "GetBlockLength",
                                        "GetContiguousRange", "ReportProgress", "LockHandle", "UnlockHandle"};

struct Timings {
    double nanoseconds[kKinds];
};

template <class Service>
typename Service::Function Entry(sg::HostCallbacks* table) {
    return reinterpret_cast<typename Service::Function>(table->entry[Service::index]);
}

// Best nanoseconds per call of `calls` over the rounds; `calls(i)` makes call i of a round.
template <class Calls>
double PerCall(Calls calls) {
    double best = INFINITY;
    for (int round = 0; round < kHostCallRounds; ++round) {
        const double start = ThreadSeconds();
        for (int i = 0; i < kHostCallsPerRound; ++i) calls(i);
        const double seconds = ThreadSeconds() - start;
        best = std::min(best, seconds * 1e9 / kHostCallsPerRound);
    }
    return best;
}

// The timing module's Main1: calls each service as the module's cursor does, one kind at a time.
int32_t TimingMain1(int16_t, void* block, sg::HostCallbacks* table) {
    using namespace sg::service;
    Timings& out = *static_cast<Timings*>(block);
    void* context = Entry<GetDataAccessContext>(table)(1);
    // Block 2 is the one a request is for, block 1 the one before it.
    auto neighbour = [](int i) { return i % 2 == 0 ? 1 : 2; };
    sg::DataPosition position{};
    out.nanoseconds[kIndexToPosition] = PerCall([&](int i) {
        Entry<IndexToPosition>(table)(context, (neighbour(i) - 1) * kHostCallBlockLength + 7, &position);
    });
    const sg::DataPosition positions[2] = {{1, 7}, {2, 7}};
    volatile int32_t sink = 0;
    out.nanoseconds[kPositionToIndex] =
        PerCall([&](int i) { sink = Entry<PositionToIndex>(table)(context, &positions[i % 2]); });
    out.nanoseconds[kGetRawBlock] = PerCall([&](int i) { Entry<GetRawBlock>(table)(context, 1, neighbour(i)); });
    out.nanoseconds[kReleaseRawBlock] =
        PerCall([&](int i) { Entry<ReleaseRawBlock>(table)(context, 1, neighbour(i)); });
    out.nanoseconds[kGetComputedBlock] =
        PerCall([&](int i) { Entry<GetComputedBlock>(table)(context, 1, neighbour(i)); });
    out.nanoseconds[kReleaseComputedBlock] =
        PerCall([&](int i) { Entry<ReleaseComputedBlock>(table)(context, 1, neighbour(i)); });
    out.nanoseconds[kGetBlockLength] =
        PerCall([&](int i) { sink = static_cast<int32_t>(Entry<GetBlockLength>(table)(context, neighbour(i))); });
    int32_t first = 0, last = 0;
    out.nanoseconds[kGetContiguousRange] = PerCall([&](int i) {
        Entry<GetContiguousRange>(table)(context, (neighbour(i) - 1) * kHostCallBlockLength + 7, &first, &last);
    });
    out.nanoseconds[kReportProgress] = PerCall([&](int) { Entry<ReportProgress>(table)(15); });
    sg::Handle settings = Entry<NewHandle>(table)(64);
    out.nanoseconds[kLockHandle] = PerCall([&](int) { Entry<LockHandle>(table)(settings); });
    out.nanoseconds[kUnlockHandle] = PerCall([&](int) { Entry<UnlockHandle>(table)(settings); });
    Entry<DisposeHandle>(table)(settings);
    return 0;
}

}  // namespace

std::vector<HostCallCost> MeasureHostCalls() {
    refhost::ReferenceHost host(refhost::HostOptions::forBulkFiltering());
    host.attachModule(&TimingMain1, "timing");
    auto& recording = host.recording();
    recording.addChannel({"signal", "signal", refhost::nativeScaling(0.5, "mV", 3), refhost::nativeScaling(0.5, "mV", 3)});
    for (int b = 0; b < 3; ++b)
        recording.addBlock(kHostCallBlockLength, 0.001, b == 0 ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
    Timings timings{};
    host.call(0, timings);
    std::vector<HostCallCost> costs;
    for (int kind = 0; kind < kKinds; ++kind) costs.push_back({kNames[kind], timings.nanoseconds[kind]});
    for (const std::string& entry : host.misbehaviour().entries()) costs.push_back({"host saw: " + entry, NAN});
    return costs;
}

}  // namespace bench
