#include "input/DigitalScaling.h"

#include <algorithm>
#include <cmath>

#include "refhost/Scaling.h"

namespace sgf {

sg::ChannelScaling digitalScaling(double largestDigital, double unitsPerStep, double offset, std::string_view units) {
    const double baseFactor = std::exp2(std::ceil(std::log2(std::max(largestDigital, 1.0) / sg::FullScaleMax)));
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(std::fabs(unitsPerStep)) - 1e-9)), 0, 9);
    return refhost::convertedScaling(baseFactor, unitsPerStep, offset, units, static_cast<int16_t>(decimals));
}

}  // namespace sgf
