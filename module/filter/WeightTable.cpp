#include "filter/WeightTable.h"

#include <algorithm>

#include "host/Cleanup.h"
#include "host/HostServices.h"
#include "settings/Settings.h"

namespace sg {

namespace {

// The widest window and the highest order that the parameter service accepts: the capacity of
// the tabulation below.
constexpr int kMaxWindowWidth = 201;
constexpr int kMaxPolynomialOrder = 6;

// The Gram polynomials of one window at every point, for every order k = 0..n, and the factor of
// each order. Evaluating the recursion once per (k, point) instead of once per table element
// cuts a build at width 201, order 6 from tens of millions of calls to about a quarter million;
// every value still comes from the plain recursion with the same arguments, so the table is bit
// for bit the one the element-by-element definition gives.
struct GramTabulation {
    double atPoint[kMaxPolynomialOrder + 1][kMaxWindowWidth];        // G(p, m, k, 0) at [k][p + m]
    double derivativeAt[kMaxPolynomialOrder + 1][kMaxWindowWidth];  // G(p, m, k, s) at [k][p + m]
    double factor[kMaxPolynomialOrder + 1];
};

double TermFactor(int16_t m, int16_t k) {
    const double a = GeneralizedFactorial(2 * m, k);
    const double b = GeneralizedFactorial(2 * m + k + 1, k + 1);
    return (2 * k + 1) * (a / b);
}

void Tabulate(GramTabulation& gram, int16_t m, int16_t n, int16_t s) {
    for (int16_t k = 0; k <= n; ++k) {
        gram.factor[k] = TermFactor(m, k);
        for (int16_t p = static_cast<int16_t>(-m); p <= m; ++p) {
            gram.atPoint[k][p + m] = GramPolynomial(p, m, k, 0);
            gram.derivativeAt[k][p + m] = s == 0 ? gram.atPoint[k][p + m] : GramPolynomial(p, m, k, s);
        }
    }
}

// Rows 0..2m, each from column 0 to 2m; the row stride is the buffer's width.
void FillTable(double* cells, const GramTabulation& gram, int32_t stride, int16_t m, int16_t n) {
    for (int32_t row = 0; row <= 2 * m; ++row) {
        for (int32_t column = 0; column <= 2 * m; ++column) {
            double sum = 0.0;
            for (int16_t k = 0; k <= n; ++k) {
                sum += gram.derivativeAt[k][column] * (gram.factor[k] * gram.atPoint[k][row]);
            }
            cells[row * stride + column] = sum;
        }
    }
}

}  // namespace

double GramPolynomial(int16_t i, int16_t m, int16_t k, int16_t s) {
    if (k < 0) return 0.0;
    if (k == 0) return s == 0 ? 1.0 : 0.0;
    const auto lower = static_cast<int16_t>(k - 1);
    const double a = GramPolynomial(i, m, lower, s);
    const double b = GramPolynomial(i, m, lower, static_cast<int16_t>(s - 1));
    const double c = GramPolynomial(i, m, static_cast<int16_t>(k - 2), s);
    const double d = k * (2 * m - k + 1);
    const double lead = (4 * k - 2) / d;
    const double lag = ((k - 1) * (2 * m + k)) / d;
    return lead * (static_cast<double>(i) * a + static_cast<double>(s) * b) - lag * c;
}

double GeneralizedFactorial(int32_t a, int32_t b) {
    double product = 1.0;
    for (int32_t factor = a - b + 1; factor <= a; ++factor) product *= factor;
    return product;
}

int16_t FittedOrder(int16_t polynomialOrder, int16_t m) {
    return std::min(polynomialOrder, static_cast<int16_t>(2 * m));
}

void BuildWeightTable(LocalDataType** settings) {
    const int16_t width = (*settings)->windowWidth;
    const int16_t requestedOrder = (*settings)->polynomialOrder;
    const int16_t s = (*settings)->derivativeOrder;
    // The parameter service never stores values beyond these; the check keeps the fixed-size
    // tabulation in bounds whatever the record holds. Without a table the span is copied.
    if (width < 1 || width > kMaxWindowWidth || requestedOrder > kMaxPolynomialOrder) return;
    const auto m = static_cast<int16_t>((width - 1) / 2);
    const int16_t n = FittedOrder(requestedOrder, m);

    const Handle table = NewBufferHandle(int32_t{width} * width * static_cast<int32_t>(sizeof(double)));
    (*settings)->weights = reinterpret_cast<double**>(table);
    if (table == nullptr) return;

    // A table that a failing host leaves unfilled must not stay in the settings: the next request
    // would filter with whatever the fresh block held.
    Cleanup discardUnfilled([settings] { DisposeHandleAndClear((*settings)->weights); });
    BeginLongOperation();
    Cleanup endLongOperation([] { EndLongOperation(); });
    GramTabulation gram;
    Tabulate(gram, m, n, s);
    // The table's block is not locked: its address is read only now, after the last host call
    // before the fill, and used until the fill ends, with no host call in between.
    FillTable(static_cast<double*>(*table), gram, width, m, n);
    discardUnfilled.Dismiss();
    endLongOperation.Run();
}

}  // namespace sg
