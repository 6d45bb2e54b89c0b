// The host's scaling of a BrainVision channel, whose physical value is the file's value times the
// channel's resolution. Integer samples are digital values (input/DigitalScaling.h). Float32
// samples are divided by the power of two that brings the channel's largest magnitude within the
// host's normalised full scale: a division by a power of two keeps every float32 value exact.
#pragma once

#include <string_view>

#include "brainvision/BrainVisionHeader.h"
#include "module/filter/ChannelScaling.h"

namespace sgf::brainvision {

sg::ChannelScaling integerScaling(SampleType type, const HeaderChannel& channel);

// `largest`: the largest magnitude among the channel's values in the file (0 where none is known:
// a channel no command reads). Decimals: float32's seven significant digits of the largest value
// in units, so no written value claims more than the file holds.
sg::ChannelScaling floatScaling(double largest, const HeaderChannel& channel);

}  // namespace sgf::brainvision
