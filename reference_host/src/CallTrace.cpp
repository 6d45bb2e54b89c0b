#include "refhost/CallTrace.h"

#include <algorithm>

namespace refhost {

void CallTrace::record(int index, std::string_view name, std::span<const uint32_t> words) {
    calls_.push_back({index, name, std::vector<uint32_t>(words.begin(), words.end())});
}

int CallTrace::count(int index) const {
    return static_cast<int>(
        std::count_if(calls_.begin(), calls_.end(), [index](const TracedCall& call) { return call.index == index; }));
}

std::vector<TracedCall> CallTrace::callsOf(int index) const {
    std::vector<TracedCall> result;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(result),
                 [index](const TracedCall& call) { return call.index == index; });
    return result;
}

}  // namespace refhost
