// What the host can number: block numbers and block lengths are 16-bit, so a recording has at
// most this many blocks of at most this many samples, and so at most this many runs of data.
#pragma once

#include <cstddef>

namespace sgf {

inline constexpr int kMostSamplesPerBlock = 32767;
inline constexpr std::size_t kMostBlocks = 32767;

}  // namespace sgf
