// Gaussian noise that is the same on every platform for a given seed. The standard library's
// distributions may differ between implementations; the Mersenne Twister may not, so the
// uniform and Gaussian steps are done here by hand.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace sgf {

class DeterministicNoise {
public:
    explicit DeterministicNoise(uint32_t seed) : engine_(seed) {}

    // Uniform in (0, 1), 53 random bits; never 0, so its logarithm is finite.
    double uniform() {
        const uint64_t high = engine_() >> 5;  // 27 bits
        const uint64_t low = engine_() >> 6;   // 26 bits
        return (static_cast<double>((high << 26) | low) + 0.5) / 9007199254740992.0;
    }

    // Standard normal (Box-Muller; the second value of each pair is discarded to keep it simple).
    double gaussian() {
        const double radius = std::sqrt(-2.0 * std::log(uniform()));
        return radius * std::cos(2.0 * std::numbers::pi * uniform());
    }

private:
    std::mt19937 engine_;
};

}  // namespace sgf
