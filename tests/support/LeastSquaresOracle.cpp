#include "support/LeastSquaresOracle.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace oracle {

long double FitDerivative(const std::vector<long double>& window, int degree, int order, int at) {
    const int points = static_cast<int>(window.size());
    const int m = (points - 1) / 2;
    const int columns = degree + 1;
    if (columns > points) throw std::invalid_argument("more coefficients than points");
    const long double scale = m > 0 ? static_cast<long double>(m) : 1.0L;

    // Vandermonde matrix in u = offset / m, and the right-hand side.
    std::vector<long double> matrix(points * columns);
    auto a = [&](int r, int c) -> long double& { return matrix[r * columns + c]; };
    std::vector<long double> b(window);
    for (int r = 0; r < points; ++r) {
        const long double u = (r - m) / scale;
        long double power = 1.0L;
        for (int c = 0; c < columns; ++c, power *= u) a(r, c) = power;
    }
    // Householder QR, applied to the right-hand side as it goes.
    std::vector<long double> v(points);
    for (int c = 0; c < columns; ++c) {
        long double norm = 0.0L;
        for (int r = c; r < points; ++r) norm += a(r, c) * a(r, c);
        norm = std::sqrt(norm);
        const long double alpha = a(c, c) > 0 ? -norm : norm;
        std::fill(v.begin(), v.end(), 0.0L);
        v[c] = a(c, c) - alpha;
        for (int r = c + 1; r < points; ++r) v[r] = a(r, c);
        long double vv = 0.0L;
        for (int r = c; r < points; ++r) vv += v[r] * v[r];
        if (vv == 0.0L) continue;
        for (int k = c; k < columns; ++k) {
            long double dot = 0.0L;
            for (int r = c; r < points; ++r) dot += v[r] * a(r, k);
            for (int r = c; r < points; ++r) a(r, k) -= 2.0L * dot / vv * v[r];
        }
        long double dot = 0.0L;
        for (int r = c; r < points; ++r) dot += v[r] * b[r];
        for (int r = c; r < points; ++r) b[r] -= 2.0L * dot / vv * v[r];
    }
    std::vector<long double> coefficient(columns);
    for (int c = columns - 1; c >= 0; --c) {
        long double sum = b[c];
        for (int k = c + 1; k < columns; ++k) sum -= a(c, k) * coefficient[k];
        coefficient[c] = sum / a(c, c);
    }
    // d^order/dx^order of sum coefficient[k] (x/m)^k at x = at.
    const long double u = at / scale;
    long double value = 0.0L;
    for (int k = order; k < columns; ++k) {
        long double falling = 1.0L;
        for (int j = 0; j < order; ++j) falling *= static_cast<long double>(k - j);
        value += coefficient[k] * falling * std::pow(u, static_cast<long double>(k - order));
    }
    return value / std::pow(scale, static_cast<long double>(order));
}

std::vector<long double> FilterRun(const std::vector<long double>& run, int width, int degree, int order) {
    const int length = static_cast<int>(run.size());
    if (length < width) return run;
    const int m = (width - 1) / 2;
    const int fitted = std::min(degree, 2 * m);
    std::vector<long double> out(length);
    std::vector<long double> window(2 * m + 1);
    for (int n = 0; n < length; ++n) {
        const int centre = std::clamp(n, m, length - 1 - m);
        std::copy(run.begin() + (centre - m), run.begin() + (centre + m + 1), window.begin());
        out[n] = FitDerivative(window, fitted, order, n - centre);
    }
    return out;
}

}  // namespace oracle
