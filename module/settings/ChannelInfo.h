// The host's description of a source channel, filled by GetRawChannelInfo or
// GetComputedChannelInfo. The extension interprets nothing in it but the flag it sets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sg {

inline constexpr int kChannelInfoSize = 72;

#pragma pack(push, 2)
struct ChannelInfo {
    uint8_t hostPrivate[68];
    int16_t filledByExtension;  // set to 1 after the host has filled the record
    uint8_t hostPrivateTail[kChannelInfoSize - 70];
};
#pragma pack(pop)

static_assert(sizeof(ChannelInfo) == kChannelInfoSize);
static_assert(offsetof(ChannelInfo, filledByExtension) == 68);

}  // namespace sg
