// The host's scaling of a channel whose file stores integer digital values, each worth
// `unitsPerStep` units plus `offset`: stored values are the digital values over a power of two,
// so float32 holds every digital value exactly and the largest lands within the host's
// normalised full scale.
#pragma once

#include <cstdint>
#include <string_view>

#include "module/filter/ChannelScaling.h"

namespace sgf {

// `largestDigital`: the largest magnitude a digital value of the channel can have. Decimals: as
// many as one digital step needs.
sg::ChannelScaling digitalScaling(double largestDigital, double unitsPerStep, double offset, std::string_view units);

// A digital value's stored value under that scaling (baseFactor is a power of two: exact).
inline float storedDigital(int32_t digital, const sg::ChannelScaling& scaling) {
    return static_cast<float>(static_cast<double>(digital) / scaling.baseFactor);
}

}  // namespace sgf
