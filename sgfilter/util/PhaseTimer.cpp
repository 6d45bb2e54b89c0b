#include "util/PhaseTimer.h"

namespace sgf {

std::vector<std::pair<std::string, double>> PhaseTimer::phases() const {
    std::vector<std::pair<std::string, double>> seconds;
    for (const auto& [phase, duration] : phases_) {
        seconds.emplace_back(phase, std::chrono::duration<double>(duration).count());
    }
    return seconds;
}

double PhaseTimer::totalSeconds() const {
    double total = 0.0;
    for (const auto& [phase, seconds] : phases()) total += seconds;
    return total;
}

}  // namespace sgf
