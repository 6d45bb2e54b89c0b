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

std::string shortUnits(const std::string& units) {
    std::string text = units;
    while (!text.empty() && text.back() == '_') text.pop_back();
    for (const char* power : {"^-1", "^-2"}) {
        const std::size_t at = text.find(power);
        const std::size_t dot = text.rfind('.', at);
        if (at == std::string::npos || dot == std::string::npos) continue;
        const std::string per = text.substr(dot + 1, at - dot - 1);
        text = text.substr(0, dot) + "/" + per + (power[2] == '2' ? "^2" : "") + text.substr(at + 3);
    }
    return text;
}

}  // namespace sgf
