// Stored values and values in units: the host keeps a channel's samples as float32 stored values,
// which its scaling record turns into units.
#pragma once

#include "module/filter/ChannelScaling.h"

namespace sgf {

// Stored value to units, in either form of the record.
struct UnitsConversion {
    double scale;
    double offset;
    double toUnits(float stored) const { return static_cast<double>(stored) * scale + offset; }
};

// The stored value of a value in units, as the host stores a channel's samples. Inline: a float
// result leaves a call through the x87 stack on this target, which costs more than the division.
inline float storedValue(double units, const UnitsConversion& conversion) {
    return static_cast<float>((units - conversion.offset) / conversion.scale);
}

inline UnitsConversion unitsConversionOf(const sg::ChannelScaling& scaling) {
    if (scaling.hasConversion != 0) return {scaling.baseFactor * scaling.factor, scaling.offset};
    return {scaling.nativeFactor, 0.0};
}

}  // namespace sgf
