#include "plot/AxisTicks.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace sgf {

namespace {

double roundStep(double rough) {
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    const double mantissa = rough / decade;
    const double nice = mantissa <= 1.0 ? 1.0 : mantissa <= 2.0 ? 2.0 : mantissa <= 5.0 ? 5.0 : 10.0;
    return nice * decade;
}

}  // namespace

AxisScale axisScale(double low, double high, int tickCount, bool padToTicks) {
    if (!(high > low)) {
        const double margin = low != 0.0 ? std::fabs(low) * 0.1 : 1.0;
        low -= margin;
        high += margin;
    }
    const double step = roundStep((high - low) / std::max(tickCount, 1));
    AxisScale scale{low, high, step, {}};
    if (padToTicks) {
        scale.low = std::floor(low / step) * step;
        scale.high = std::ceil(high / step) * step;
    }
    // Multiples of the step, counted as integers so that no rounding drift creeps in.
    const auto first = static_cast<long long>(std::ceil(scale.low / step - 1e-9));
    const auto last = static_cast<long long>(std::floor(scale.high / step + 1e-9));
    for (long long multiple = first; multiple <= last; ++multiple) {
        scale.ticks.push_back(static_cast<double>(multiple) * step);
    }
    return scale;
}

std::string tickLabel(double value, double step) {
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    std::string text = fmt::format("{:.{}f}", value, decimals);
    if (text.find_first_not_of("-0.") == std::string::npos) text = fmt::format("{:.{}f}", 0.0, decimals);
    return text;
}

}  // namespace sgf
