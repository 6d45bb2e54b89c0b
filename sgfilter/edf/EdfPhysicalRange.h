// The physical range an EDF+ or BDF+ header gives a signal, chosen from the values it is to hold:
// the finest step over the format's digital range that still covers every value, written in the
// header's 8 characters. Where the numbers do not fit there, the unit's prefix changes (uV to mV,
// per s to per ms) rather than the range being refused.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace sgf {

struct PhysicalRange {
    std::string units;     // as the header names them
    double unitsPerValue;  // a value in the signal's own units times this is one in `units`
    double minimum, maximum;  // in `units`, exactly as the header's text reads
};

// `least` and `greatest` are the values' extremes in `units` (the short form EDF readers show,
// "uV/ms^2"); `display` is a range in `units` that is taken where it covers them and its step is
// not much coarser (the range the module chose for a computed channel). `digitalSteps` is the
// digital maximum less the minimum. Throws std::runtime_error naming the signal and its values
// when no unit makes the range writable.
PhysicalRange physicalRangeFor(const std::string& label, const std::string& units, double least, double greatest,
                               std::optional<std::pair<double, double>> display, double digitalSteps);

}  // namespace sgf
