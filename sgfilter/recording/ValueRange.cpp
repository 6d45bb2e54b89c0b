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

}  // namespace sgf
