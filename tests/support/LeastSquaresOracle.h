// An independent model of the filter for differential tests: a least-squares polynomial fit per
// window, solved by Householder QR in long double on abscissae scaled to [-1, 1], so that it stays
// well conditioned at width 201 and order 6.
#pragma once

#include <vector>

namespace oracle {

// The order-th derivative (per sample step) at offset `at` from the window's centre, of the
// polynomial of the given degree fitted to `window` (2m + 1 values at offsets -m..m).
long double FitDerivative(const std::vector<long double>& window, int degree, int order, int at);

// One run of samples filtered the way the module promises: a run shorter than `width` comes
// through unchanged; otherwise sample n is evaluated on the window centred on n clamped to
// [first + m, last - m], so the ends of the run use one-sided windows. The fitted degree is
// capped at 2m, the highest a window of 2m + 1 points determines.
std::vector<long double> FilterRun(const std::vector<long double>& run, int width, int degree, int order);

}  // namespace oracle
