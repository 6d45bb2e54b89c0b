#include "refhost/FaultInjector.h"

#include <stdexcept>
#include <string>

namespace refhost {

namespace {

// Counts a planned event down; true (and the plan is used up) when it is due.
bool due(std::optional<int>& countdown) {
    if (!countdown) return false;
    if (--*countdown > 0) return false;
    countdown.reset();
    return true;
}

}  // namespace

void FaultInjector::throwOnServiceCall(int index, int n, int times) {
    throwIndex_ = index;
    throwCountdown_ = n;
    throwsLeft_ = times;
}

void FaultInjector::reset() {
    allocationCountdown_.reset();
    fetchCountdown_.reset();
    throwCountdown_.reset();
    throwsLeft_ = 0;
    throwIndex_ = kAnyService;
}

bool FaultInjector::allocationFails(int index) {
    ++allocationCalls_;
    if (!due(allocationCountdown_)) return false;
    failedAllocationService_ = index;
    return true;
}

bool FaultInjector::fetchFailsNow() { return due(fetchCountdown_); }

void FaultInjector::beforeService(int index) {
    ++serviceCalls_;
    if (throwIndex_ != kAnyService && throwIndex_ != index) return;
    if (due(throwCountdown_)) {
        if (--throwsLeft_ > 0) throwCountdown_ = 1;
        thrownService_ = index;
        throw std::runtime_error("planned failure of host service " + std::to_string(index));
    }
}

}  // namespace refhost
