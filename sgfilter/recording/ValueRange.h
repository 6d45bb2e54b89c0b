// The least and greatest value in units of a signal, widened block by block: what an EDF+ or BDF+
// header's physical range must hold.
#pragma once

#include <limits>
#include <span>

#include "input/UnitsConversion.h"
#include "input/UnitsText.h"

namespace sgf {

struct ValueRange {
    double least = std::numeric_limits<double>::infinity();
    double greatest = -std::numeric_limits<double>::infinity();
};

// Widens `range` to hold every stored value of `stored` in units by `conversion`. A NaN counts for
// neither end (no range holds it; the writer refuses it by name).
void widenValueRange(ValueRange& range, std::span<const float> stored, const UnitsConversion& conversion);
// Widens `range` to hold `part` as well.
void widenValueRange(ValueRange& range, const ValueRange& part);
// The range in units of stored values whose own least and greatest are `stored`: the same range as
// converting every value would give, since the conversion keeps their order, rounding included.
ValueRange inUnits(const ValueRange& stored, const UnitsConversion& conversion);
// Stored values taken as they are.
inline constexpr UnitsConversion kStoredValues{1.0, 0.0};

}  // namespace sgf
