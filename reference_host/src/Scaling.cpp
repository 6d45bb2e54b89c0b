#include "refhost/Scaling.h"

#include <cstring>

#include "Text.h"

namespace refhost {

namespace {

sg::ChannelScaling patternedScaling() {
    sg::ChannelScaling scaling;
    std::memset(&scaling, kScalingPrivateByte, sizeof scaling);
    return scaling;
}

// A units field of `size` bytes: the text, cut to size - 1 characters.
void writeUnits(uint8_t* field, std::size_t size, std::string_view units) {
    writePString(field, units.substr(0, size - 1));
}

}  // namespace

sg::ChannelScaling convertedScaling(double baseFactor, double factor, double offset, std::string_view units,
                                    int16_t decimals) {
    sg::ChannelScaling scaling = patternedScaling();
    scaling.offset = offset;
    scaling.factor = factor;
    writeUnits(scaling.unitsText, sizeof scaling.unitsText, units);
    scaling.decimals = decimals;
    scaling.hasConversion = 1;
    writeUnits(scaling.nativeUnitsText, sizeof scaling.nativeUnitsText, "");
    scaling.nativeFactor = 1.0;
    scaling.baseFactor = baseFactor;
    return scaling;
}

sg::ChannelScaling nativeScaling(double nativeFactor, std::string_view units, int16_t decimals) {
    sg::ChannelScaling scaling = patternedScaling();
    scaling.offset = 0.0;
    scaling.factor = 1.0;
    writeUnits(scaling.unitsText, sizeof scaling.unitsText, "");
    scaling.decimals = decimals;
    scaling.hasConversion = 0;
    writeUnits(scaling.nativeUnitsText, sizeof scaling.nativeUnitsText, units);
    scaling.nativeFactor = nativeFactor;
    scaling.baseFactor = 1.0;
    return scaling;
}

}  // namespace refhost
