// Builders for the host's scaling record in either of its forms. The bytes the module must not
// interpret get a recognisable pattern, so a module that copies or reads them shows.
#pragma once

#include <cstdint>
#include <string_view>

#include "module/filter/ChannelScaling.h"

namespace refhost {

inline constexpr uint8_t kScalingPrivateByte = 0x3C;

// A stored value v is worth v * baseFactor * factor + offset units.
sg::ChannelScaling convertedScaling(double baseFactor, double factor, double offset, std::string_view units,
                                    int16_t decimals);
// A stored value v is worth v * nativeFactor units.
sg::ChannelScaling nativeScaling(double nativeFactor, std::string_view units, int16_t decimals);

}  // namespace refhost
