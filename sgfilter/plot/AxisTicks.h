// Axis ranges and tick marks at round numbers (1, 2 or 5 times a power of ten), as a person
// would place them by hand.
#pragma once

#include <string>
#include <vector>

namespace sgf {

struct AxisScale {
    double low;
    double high;
    double step;
    std::vector<double> ticks;
};

// A range that holds [low, high], with about `tickCount` ticks inside it. An empty range is
// widened, so a constant trace still gets a readable axis.
AxisScale axisScale(double low, double high, int tickCount, bool padToTicks);

// A tick value with as many decimals as the step needs: 0.05, 1.5, 20.
std::string tickLabel(double value, double step);

}  // namespace sgf
