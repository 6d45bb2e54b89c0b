// Planned failures of host services, to drive the module's error paths: an allocation that
// returns null, a block of data the host cannot give this once, or a service that throws into
// the module.
#pragma once

#include <optional>

namespace refhost {

inline constexpr int kAnyService = -1;

class FaultInjector {
public:
    // The nth allocation service call from now (NewHandle, NewBufferHandle or NewPointer; n = 1 is
    // the next one) returns null.
    void failAllocationOnCall(int n) { allocationCountdown_ = n; }
    // The nth block fetch from now (GetRawBlock or GetComputedBlock) returns null, as for a block
    // that is not available; the fetches after it succeed again.
    void failBlockFetchOnCall(int n) { fetchCountdown_ = n; }
    // The nth call from now of the service with this table index (or of any service) throws a
    // std::runtime_error out of the service, and so do the next `times - 1` matching calls.
    void throwOnServiceCall(int index, int n, int times = 1);
    void reset();

    // Called once per allocation service call with the service's table index; true when this one
    // must fail.
    bool allocationFails(int index);
    // Called once per block fetch; true when this one must give null.
    bool blockFetchFails() { return fetchCountdown_ && fetchFailsNow(); }
    // Called at the start of every service; throws when planned.
    void beforeService(int index);
    // Counts a service call that comes while no throw is planned, which is all beforeService would do.
    bool countedWithoutThrow() {
        if (throwCountdown_) return false;
        ++serviceCalls_;
        return true;
    }

    // What has happened since the injector was made, for sweeps that place a fault at every call
    // in turn: how many allocations and service calls there were, and which service the last
    // planned fault hit (nothing while the plan is still waiting).
    int allocationCalls() const { return allocationCalls_; }
    int serviceCalls() const { return serviceCalls_; }
    std::optional<int> failedAllocationService() const { return failedAllocationService_; }
    std::optional<int> thrownService() const { return thrownService_; }

private:
    bool fetchFailsNow();

    std::optional<int> allocationCountdown_;
    std::optional<int> fetchCountdown_;
    std::optional<int> throwCountdown_;
    int throwsLeft_ = 0;
    int throwIndex_ = kAnyService;
    int allocationCalls_ = 0;
    int serviceCalls_ = 0;
    std::optional<int> failedAllocationService_;
    std::optional<int> thrownService_;
};

}  // namespace refhost
