// The cost of one host service call of each kind that a filter request makes, on the reference
// host as a long filtering run uses it (no stress modes, no trace, no planned fault), called
// through the service table as the module calls it and in the module's pattern: back and forth
// between the block a request is for and the one before it, across the boundary its windows
// straddle.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct HostCallCost {
    std::string service;
    double nanoseconds;  // one call, best of several rounds
};

std::vector<HostCallCost> MeasureHostCalls();

}  // namespace bench
