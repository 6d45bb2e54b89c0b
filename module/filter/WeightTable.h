// The convolution weights of the filter: least-squares polynomial weights in their Gram-polynomial
// form, one table per channel, held by the settings record's `weights` handle.
//
// Table layout: element (i + m) * windowWidth + (t + m) holds W(i, t), the weight of the sample at
// offset i from the window's centre in the estimate, at offset t, of the derivativeOrder-th
// derivative of the fitted polynomial (one sample step as the unit of the abscissa). Rows are data
// points, columns evaluation points; m = (windowWidth - 1) / 2. Only rows and columns 0..2m are
// written, so with an even width the last row and column stay untouched and the stride is still
// windowWidth.
//
// W(i, t) = sum over k = 0..n, in that order, of G(t, m, k, s) * (factor(k) * G(i, m, k, 0)), with
// factor(k) = (2k + 1) * (GF(2m, k) / GF(2m + k + 1, k + 1)), G the Gram polynomial, GF the
// generalized factorial, s the derivative order and n the fitted order (below).
#pragma once

#include <cstdint>

#include "settings/FunctionInstance.h"

namespace sg {

// The widest window and the highest order that the parameter service accepts: the capacity of
// the tabulation behind every table.
inline constexpr int kMaxWindowWidth = 201;
inline constexpr int kMaxPolynomialOrder = 6;

// The Gram polynomial of order k over the points -m..m, differentiated s times, at point i;
// evaluated by the plain three-term recursion on every call. Defined for k <= 2m: at k = 2m + 1
// the recursion divides by zero.
double GramPolynomial(int16_t i, int16_t m, int16_t k, int16_t s);

// a * (a - 1) * ... * (a - b + 1), multiplied in float64 from 1.0 in increasing order of the
// factors; 1 for b = 0.
double GeneralizedFactorial(int32_t a, int32_t b);

// The order of the polynomial fitted over 2m + 1 points: the requested order, but at most 2m, the
// highest order that many points determine. Width 5 with order 5 or 6 thus gets the weights of
// order 4 (the identity for smoothing) instead of undefined ones.
int16_t FittedOrder(int16_t polynomialOrder, int16_t m);

// Allocates the table through the host, stores its handle in the settings' `weights` and fills
// it inside a long-operation bracket. If the allocation fails, `weights` stays null and no
// bracket is opened. Called with `weights` null and the settings record locked.
void BuildWeightTable(LocalDataType** settings);

}  // namespace sg
