// Whether the source data that a channel's filter reads is available for a block.
#pragma once

#include <cstdint>

#include "settings/FunctionInstance.h"

namespace sg {

inline constexpr int16_t kSourceUnavailable = 0;
inline constexpr int16_t kSourceAvailable = 2;

// kSourceAvailable when the instance has settings, its source channel lies within 1..channelCount
// and the host reports the source's block (raw or computed, as the settings say) as available.
int16_t CheckSourceBlock(int16_t block, FunctionInstance** instance);

}  // namespace sg
