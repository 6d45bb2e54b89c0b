// The raw scaling sgfilter gives a channel read from CSV.
#pragma once

#include "csv/CsvSummary.h"
#include "module/filter/ChannelScaling.h"

namespace sgf {

// Native form (no conversion, base factor 1), units as the header gives them, and a native
// factor that puts the channel's largest magnitude at the normalised full scale, so the stored
// float32 values use their whole precision.
sg::ChannelScaling rawScalingFor(const ChannelColumn& column);

}  // namespace sgf
