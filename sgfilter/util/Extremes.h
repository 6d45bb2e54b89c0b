// The least and the greatest value of a stretch of the host's stored values, and whether it holds
// a NaN: what every computed block and every summary of a trace asks of its values.
#pragma once

#include <limits>
#include <span>

namespace sgf {

// least > greatest where the stretch holds no number (all NaN, or nothing).
struct Extremes {
    float least;
    float greatest;

    bool holdsValues() const { return least <= greatest; }
};

inline constexpr Extremes kNoValues{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};

// The plain loop: a NaN changes neither end, and of equal values (0 and -0) the first stays.
Extremes extremesInOrder(std::span<const float> values);
// The same bits as extremesInOrder, four lanes at a time.
Extremes extremesOf(std::span<const float> values);
bool holdsNaN(std::span<const float> values);

}  // namespace sgf
