// How a channel's stored values become values in units, as the host describes it, and the
// normalised range of stored values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sg {

// Stored sample values are normalised to this full scale (±125/128).
inline constexpr double FullScaleMin = -0.9765625;
inline constexpr double FullScaleMax = +0.9765625;

inline constexpr int kUnitsTextSize = 26;           // units text field: at most 25 characters
inline constexpr int kChannelScalingBufferSize = 118;  // the extension's buffers for a scaling
inline constexpr int kOutputScalingSize = 46;       // the part handed back for the output channel

#pragma pack(push, 2)
// Filled by the host (GetRawScaling, GetComputedScaling) into a caller-owned buffer.
// Converted form (hasConversion != 0): v * baseFactor * factor + offset units.
// Native form (hasConversion == 0): v * nativeFactor units.
struct ChannelScaling {
    double offset;
    double factor;
    uint8_t unitsText[kUnitsTextSize];  // length-prefixed
    int16_t decimals;
    uint8_t hasConversion;
    uint8_t notInterpreted;             // copied along, never read or set
    uint8_t nativeUnitsText[34];        // length-prefixed
    double nativeFactor;
    double baseFactor;
    uint8_t hostPrivate[kChannelScalingBufferSize - 96];
};
#pragma pack(pop)

static_assert(sizeof(ChannelScaling) == kChannelScalingBufferSize);
static_assert(offsetof(ChannelScaling, offset) == 0);
static_assert(offsetof(ChannelScaling, factor) == 8);
static_assert(offsetof(ChannelScaling, unitsText) == 16);
static_assert(offsetof(ChannelScaling, decimals) == 42);
static_assert(offsetof(ChannelScaling, hasConversion) == 44);
static_assert(offsetof(ChannelScaling, notInterpreted) == 45);
static_assert(offsetof(ChannelScaling, nativeUnitsText) == 46);
static_assert(offsetof(ChannelScaling, nativeFactor) == 80);
static_assert(offsetof(ChannelScaling, baseFactor) == 88);

}  // namespace sg
