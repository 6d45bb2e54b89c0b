// The full scaling record of a channel the module computed.
#pragma once

#include <array>
#include <cstdint>

#include "input/UnitsConversion.h"
#include "input/UnitsText.h"
#include "module/filter/ChannelScaling.h"

namespace sgf {

// The module hands back only the first bytes of the output's scaling. The rest (native units,
// native factor, base factor) is the source's: for smoothing the output is stored in the
// source's own native form, and a derivative's factor was made for the source's base factor.
sg::ChannelScaling computedChannelScaling(const std::array<uint8_t, sg::kOutputScalingSize>& moduleAnswer,
                                          const sg::ChannelScaling& sourceScaling);

}  // namespace sgf
