// The text of a length-prefixed string, for comparing with what a test expects.
#pragma once

#include <cstdint>
#include <string>

namespace sg {

inline std::string Text(const uint8_t* value) { return std::string(value + 1, value + 1 + value[0]); }

}  // namespace sg
