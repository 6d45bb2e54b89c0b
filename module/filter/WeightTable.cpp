#include "filter/WeightTable.h"

#include <algorithm>

#include "host/Cleanup.h"
#include "host/HostServices.h"
#include "settings/Settings.h"

namespace sg {

namespace {

// The Gram polynomials of one window at every point, for every order k = 0..n, and the factor of
// each order. Evaluating the recursion once per (k, point) instead of once per table element,
// and within it each (order, derivative) once, cuts a build at width 201, order 6 from tens of
// millions of evaluations to a few tens of thousands; every value still comes from the same
// expression on the same operands, so the table is bit for bit the one the element-by-element
// definition gives.
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

// One step of the three-term recursion, from the values of the lower orders.
double GramStep(int16_t i, int16_t m, int16_t k, int16_t s, double a, double b, double c) {
    const double d = k * (2 * m - k + 1);
    const double lead = (4 * k - 2) / d;
    const double lag = ((k - 1) * (2 * m + k)) / d;
    return lead * (static_cast<double>(i) * a + static_cast<double>(s) * b) - lag * c;
}

// The recursion at one point, each (k, s) evaluated once. From order k and derivative s it
// reaches derivatives down to s - k; those outside the memo, which no stored setting reaches,
// take the plain recursion.
class GramAtPoint {
public:
    GramAtPoint(int16_t i, int16_t m) : i_(i), m_(m) {}

    double operator()(int16_t k, int16_t s) {
        if (k <= 0 || s < -kMaxPolynomialOrder || s > kMaxPolynomialOrder) return GramPolynomial(i_, m_, k, s);
        double& value = values_[k][s + kMaxPolynomialOrder];
        bool& known = known_[k][s + kMaxPolynomialOrder];
        if (!known) {
            const auto lower = static_cast<int16_t>(k - 1);
            value = GramStep(i_, m_, k, s, (*this)(lower, s), (*this)(lower, static_cast<int16_t>(s - 1)),
                             (*this)(static_cast<int16_t>(k - 2), s));
            known = true;
        }
        return value;
    }

private:
    static constexpr int kDerivatives = 2 * kMaxPolynomialOrder + 1;  // s from -6 to 6
    int16_t i_, m_;
    double values_[kMaxPolynomialOrder + 1][kDerivatives] = {};
    bool known_[kMaxPolynomialOrder + 1][kDerivatives] = {};
};

void Tabulate(GramTabulation& gram, int16_t m, int16_t n, int16_t s) {
    for (int16_t k = 0; k <= n; ++k) gram.factor[k] = TermFactor(m, k);
    for (int16_t p = static_cast<int16_t>(-m); p <= m; ++p) {
        GramAtPoint gramAt(p, m);
        for (int16_t k = 0; k <= n; ++k) {
            gram.atPoint[k][p + m] = gramAt(k, 0);
            gram.derivativeAt[k][p + m] = gramAt(k, s);
        }
    }
}

// Rows 0..2m, each from column 0 to 2m; the row stride is the buffer's width. Every cell adds its
// terms k = 0..n in order; a row is built one order at a time so that its cells, which do not
// depend on each other, are computed side by side.
void FillTable(double* cells, const GramTabulation& gram, int32_t stride, int16_t m, int16_t n) {
    const int32_t columns = 2 * m + 1;
    for (int32_t row = 0; row <= 2 * m; ++row) {
        double* sums = cells + row * stride;
        for (int32_t column = 0; column < columns; ++column) sums[column] = 0.0;
        for (int16_t k = 0; k <= n; ++k) {
            const double weight = gram.factor[k] * gram.atPoint[k][row];
            const double* derivative = gram.derivativeAt[k];
            for (int32_t column = 0; column < columns; ++column) sums[column] += derivative[column] * weight;
        }
    }
}

}  // namespace

double GramPolynomial(int16_t i, int16_t m, int16_t k, int16_t s) {
    if (k < 0) return 0.0;
    if (k == 0) return s == 0 ? 1.0 : 0.0;
    const auto lower = static_cast<int16_t>(k - 1);
    return GramStep(i, m, k, s, GramPolynomial(i, m, lower, s), GramPolynomial(i, m, lower, static_cast<int16_t>(s - 1)),
                    GramPolynomial(i, m, static_cast<int16_t>(k - 2), s));
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
