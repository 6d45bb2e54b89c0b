#include "edf/EdfPlusRecordSize.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "util/Errors.h"

namespace sgf {

namespace {

constexpr double kStepsPerSecond = 1e5;  // 10 µs, the finest step an 8-character duration keeps to 60 s
constexpr int64_t kNanosecondsPerStep = 10'000;

}  // namespace

EdfPlusRecordSize edfPlusRecordSizeFor(double tickRate, std::span<const std::size_t> runTicks) {
    std::size_t common = 0;
    for (const std::size_t length : runTicks) common = std::gcd(common, length);
    const auto oneSecond = static_cast<std::size_t>(std::max(1.0, std::round(tickRate)));
    for (std::size_t ticks = std::min(common, oneSecond * 60); ticks >= 1; --ticks) {
        if (common % ticks != 0) continue;
        const double seconds = static_cast<double>(ticks) / tickRate;
        if (seconds > 1.0 && ticks > oneSecond) continue;
        const double steps = seconds * kStepsPerSecond;
        if (seconds >= 0.001 && seconds <= 60.0 && std::fabs(steps - std::round(steps)) < 1e-6) {
            return {ticks, std::llround(steps) * kNanosecondsPerStep};
        }
    }
    const std::size_t total = std::accumulate(runTicks.begin(), runTicks.end(), std::size_t{0});
    throw UsageError(fmt::format("{} samples at {} Hz in {} run{} of data, whose lengths share no divisor above {}, "
                                 "cannot be cut into whole EDF data records of 1 ms to 60 s in steps of 10 µs",
                                 total, tickRate, runTicks.size(), runTicks.size() == 1 ? "" : "s", common));
}

}  // namespace sgf
