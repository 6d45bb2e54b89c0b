#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace refhost {

std::string hexWord(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}

std::string addressText(const void* address) {
    return hexWord(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)));
}

std::string fromPString(const uint8_t* text) { return std::string(reinterpret_cast<const char*>(text + 1), text[0]); }

void writePString(uint8_t* destination, std::string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    destination[0] = static_cast<uint8_t>(length);
    std::memcpy(destination + 1, text.data(), length);
}

}  // namespace refhost
