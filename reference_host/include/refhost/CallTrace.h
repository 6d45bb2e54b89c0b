// The sequence of host services the module called, with their arguments as the 32-bit words that
// reached the host (so widening mistakes show).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace refhost {

struct TracedCall {
    int index;
    std::string_view name;
    std::vector<uint32_t> words;
};

class CallTrace {
public:
    void record(int index, std::string_view name, std::span<const uint32_t> words);
    const std::vector<TracedCall>& calls() const { return calls_; }
    int count(int index) const;
    // The calls of one service, in order.
    std::vector<TracedCall> callsOf(int index) const;
    void clear() { calls_.clear(); }

private:
    std::vector<TracedCall> calls_;
};

}  // namespace refhost
