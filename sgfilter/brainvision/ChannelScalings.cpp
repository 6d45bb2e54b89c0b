#include "brainvision/ChannelScalings.h"

#include <algorithm>
#include <cmath>

#include "input/DigitalScaling.h"
#include "refhost/Scaling.h"

namespace sgf::brainvision {

namespace {

constexpr int kFloatDigits = 7;

}  // namespace

sg::ChannelScaling integerScaling(SampleType type, const HeaderChannel& channel) {
    const double largestDigital = type == SampleType::uint16 ? 65535.0 : 32768.0;
    return digitalScaling(largestDigital, channel.resolution, 0.0, channel.units);
}

sg::ChannelScaling floatScaling(double largest, const HeaderChannel& channel) {
    const double baseFactor = largest > 0 ? std::exp2(std::ceil(std::log2(largest / sg::FullScaleMax))) : 1.0;
    const double largestUnits = largest * std::fabs(channel.resolution);
    const int decimals = largestUnits > 0 ? std::clamp(kFloatDigits - 1 - static_cast<int>(std::floor(std::log10(largestUnits))), 0, 9) : 0;
    return refhost::convertedScaling(baseFactor, channel.resolution, 0.0, channel.units, static_cast<int16_t>(decimals));
}

}  // namespace sgf::brainvision
