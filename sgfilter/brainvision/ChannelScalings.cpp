#include "brainvision/ChannelScalings.h"

#include <algorithm>
#include <cmath>

#include "input/DigitalScaling.h"
#include "refhost/Scaling.h"

namespace sgf::brainvision {

namespace {

constexpr int kFloatDigits = 7;
constexpr double kLargestExactInt32 = 16777216.0;

sg::ChannelScaling floatScaling(double largest, const HeaderChannel& channel) {
    const double baseFactor = largest > 0 ? std::exp2(std::ceil(std::log2(largest / sg::FullScaleMax))) : 1.0;
    const double largestUnits = largest * std::fabs(channel.resolution);
    const int decimals = largestUnits > 0 ? std::clamp(kFloatDigits - 1 - static_cast<int>(std::floor(std::log10(largestUnits))), 0, 9) : 0;
    return refhost::convertedScaling(baseFactor, channel.resolution, 0.0, channel.units, static_cast<int16_t>(decimals));
}

}  // namespace

sg::ChannelScaling scalingOf(SampleType type, const HeaderChannel& channel, double largest) {
    switch (type) {
        case SampleType::float32: return floatScaling(largest, channel);
        case SampleType::int16: return digitalScaling(32768.0, channel.resolution, 0.0, channel.units);
        case SampleType::uint16: return digitalScaling(65535.0, channel.resolution, 0.0, channel.units);
        case SampleType::int32: return digitalScaling(largest > 0 ? largest : kLargestExactInt32, channel.resolution, 0.0, channel.units);
    }
    return {};
}

}  // namespace sgf::brainvision
