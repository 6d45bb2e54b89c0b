// Conversions between the length-prefixed strings of the Carbon calls and std::string.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

// Writes at most 255 bytes of text (resource texts and titles are checked to fit); the buffer
// must hold 256 bytes.
inline void WritePascalString(unsigned char* buffer, std::string_view text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 255);
  buffer[0] = static_cast<unsigned char>(length);
  // An empty view may have no data pointer at all, which the copy must not be handed.
  if (length > 0) std::memcpy(buffer + 1, text.data(), length);
}

inline std::string ReadPascalString(const unsigned char* text) {
  return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

}  // namespace platform
