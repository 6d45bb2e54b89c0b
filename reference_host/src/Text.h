// Small text helpers for the host's messages and for length-prefixed strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace refhost {

std::string hexWord(uint32_t word);
std::string addressText(const void* address);

// The characters of a length-prefixed string.
std::string fromPString(const uint8_t* text);
// Writes `text`, cut to 255 characters, as a length-prefixed string.
void writePString(uint8_t* destination, std::string_view text);

}  // namespace refhost
