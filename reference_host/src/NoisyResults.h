// Results whose upper bits the module must ignore. In noisy mode those bits carry garbage, so a
// module that reads the whole word instead of narrowing it gets a visibly wrong value.
#pragma once

#include <cstdint>

#include "module/host/HostTypes.h"

namespace refhost {

inline constexpr uint32_t kNoiseAbove16Bits = 0x5A5A0000;
inline constexpr uint32_t kNoiseAboveLowByte = 0x00005A00;

// A 16-bit number: the module takes the low 16 bits, sign-extended.
inline sg::HostWord int16Result(bool noisy, int16_t value) {
    if (!noisy) return value;
    return static_cast<sg::HostWord>(kNoiseAbove16Bits | static_cast<uint16_t>(value));
}

// A boolean: the module tests the low byte.
inline sg::HostWord booleanResult(bool noisy, bool value) {
    return static_cast<sg::HostWord>((noisy ? kNoiseAboveLowByte : 0u) | (value ? 1u : 0u));
}

}  // namespace refhost
