// Planned failures of host services, to drive the module's error paths: an allocation that
// returns null, or a service that throws into the module.
#pragma once

#include <optional>

namespace refhost {

inline constexpr int kAnyService = -1;

class FaultInjector {
public:
    // The nth allocation service call from now (NewHandle, NewBufferHandle or NewPointer; n = 1 is
    // the next one) returns null.
    void failAllocationOnCall(int n) { allocationCountdown_ = n; }
    // The nth call from now of the service with this table index (or of any service) throws a
    // std::runtime_error out of the service, and so do the next `times - 1` matching calls.
    void throwOnServiceCall(int index, int n, int times = 1);
    void reset();

    // Called once per allocation service call; true when this one must fail.
    bool allocationFails();
    // Called at the start of every service; throws when planned.
    void beforeService(int index);

private:
    std::optional<int> allocationCountdown_;
    std::optional<int> throwCountdown_;
    int throwsLeft_ = 0;
    int throwIndex_ = kAnyService;
};

}  // namespace refhost
