#include "recording/ValueRange.h"

namespace sgf {

void widenValueRange(ValueRange& range, std::span<const float> stored, const UnitsConversion& conversion) {
    for (const float value : stored) {
        const double units = conversion.toUnits(value);
        // Written so that a NaN changes neither end.
        if (units < range.least) range.least = units;
        if (units > range.greatest) range.greatest = units;
    }
}

void widenValueRange(ValueRange& range, const ValueRange& part) {
    if (part.least < range.least) range.least = part.least;
    if (part.greatest > range.greatest) range.greatest = part.greatest;
}

ValueRange inUnits(const ValueRange& stored, const UnitsConversion& conversion) {
    if (!(stored.least <= stored.greatest)) return {};  // no value
    // A negative scale turns the least stored value into the greatest in units.
    const double a = conversion.toUnits(static_cast<float>(stored.least));
    const double b = conversion.toUnits(static_cast<float>(stored.greatest));
    return a <= b ? ValueRange{a, b} : ValueRange{b, a};
}

}  // namespace sgf
