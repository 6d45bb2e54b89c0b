// The host's scaling of a BrainVision channel, whose physical value is the file's value times the
// channel's resolution. Integer samples are digital values (input/DigitalScaling.h). Float32
// samples are divided by the power of two that brings the channel's largest magnitude within the
// host's normalised full scale: a division by a power of two keeps every float32 value exact.
#pragma once

#include "brainvision/BrainVisionHeader.h"
#include "module/filter/ChannelScaling.h"

namespace sgf::brainvision {

// `largest`: the largest magnitude among the channel's values in the file, where a pass over them
// found it (needsLargestValue); 0 where none was made (a channel no command reads, whose int32
// values are then taken to reach 2^24). Decimals: an integer's, as many as one digital step
// needs; float32's, its seven significant digits of the largest value in units, so no written
// value claims more than the file holds.
sg::ChannelScaling scalingOf(SampleType type, const HeaderChannel& channel, double largest);

}  // namespace sgf::brainvision
