// The least and greatest value in units of a signal, widened block by block: what an EDF+ or BDF+
// header's physical range must hold.
#pragma once

#include <limits>
#include <span>

#include "recording/Scalings.h"

namespace sgf {

struct ValueRange {
    double least = std::numeric_limits<double>::infinity();
    double greatest = -std::numeric_limits<double>::infinity();
};

// Widens `range` to hold every stored value of `stored` in units by `conversion`. A NaN counts for
// neither end (no range holds it; the writer refuses it by name).
void widenValueRange(ValueRange& range, std::span<const float> stored, const UnitsConversion& conversion);

}  // namespace sgf
