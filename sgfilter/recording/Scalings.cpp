#include "recording/Scalings.h"

#include <algorithm>
#include <cstring>

#include "refhost/Scaling.h"

namespace sgf {

namespace {

std::string textOf(const uint8_t* lengthPrefixed) {
    return std::string(reinterpret_cast<const char*>(lengthPrefixed + 1), lengthPrefixed[0]);
}

}  // namespace

sg::ChannelScaling rawScalingFor(const ChannelColumn& column) {
    // An all-zero channel has no largest magnitude; one unit at full scale serves as well as any.
    const double largest = column.largestMagnitude > 0.0 ? column.largestMagnitude : 1.0;
    return refhost::nativeScaling(largest / sg::FullScaleMax, column.units, static_cast<int16_t>(column.decimals));
}

float storedValue(double units, const UnitsConversion& conversion) {
    return static_cast<float>((units - conversion.offset) / conversion.scale);
}

UnitsConversion unitsConversionOf(const sg::ChannelScaling& scaling) {
    if (scaling.hasConversion != 0) return {scaling.baseFactor * scaling.factor, scaling.offset};
    return {scaling.nativeFactor, 0.0};
}

std::string unitsTextOf(const sg::ChannelScaling& scaling) {
    return textOf(scaling.hasConversion != 0 ? scaling.unitsText : scaling.nativeUnitsText);
}

sg::ChannelScaling computedChannelScaling(const std::array<uint8_t, sg::kOutputScalingSize>& moduleAnswer,
                                          const sg::ChannelScaling& sourceScaling) {
    sg::ChannelScaling scaling = sourceScaling;
    std::memcpy(&scaling, moduleAnswer.data(), moduleAnswer.size());
    return scaling;
}

}  // namespace sgf
