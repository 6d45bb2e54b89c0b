// Channel scalings as sgfilter uses them: the raw scaling it gives each channel read from CSV,
// the conversion of stored values into units, and the full record of a channel the module
// computed.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "csv/CsvSummary.h"
#include "module/filter/ChannelScaling.h"

namespace sgf {

// Native form (no conversion, base factor 1), units as the header gives them, and a native
// factor that puts the channel's largest magnitude at the normalised full scale, so the stored
// float32 values use their whole precision.
sg::ChannelScaling rawScalingFor(const ChannelColumn& column);

// Stored value to units, in either form of the record.
struct UnitsConversion {
    double scale;
    double offset;
    double toUnits(float stored) const { return static_cast<double>(stored) * scale + offset; }
};

// The stored value of a value in units, as the host stores a channel's samples. Inline: a float
// result leaves a call through the x87 stack on this target, which costs more than the division.
inline float storedValue(double units, const UnitsConversion& conversion) {
    return static_cast<float>((units - conversion.offset) / conversion.scale);
}
UnitsConversion unitsConversionOf(const sg::ChannelScaling& scaling);
std::string unitsTextOf(const sg::ChannelScaling& scaling);
// A unit text as EDF readers and the viewer show it, short enough for the header's 8 characters: "mmHg.ms^-1_"
// becomes "mmHg/ms".
std::string shortUnits(const std::string& units);

// The module hands back only the first bytes of the output's scaling. The rest (native units,
// native factor, base factor) is the source's: for smoothing the output is stored in the
// source's own native form, and a derivative's factor was made for the source's base factor.
sg::ChannelScaling computedChannelScaling(const std::array<uint8_t, sg::kOutputScalingSize>& moduleAnswer,
                                          const sg::ChannelScaling& sourceScaling);

}  // namespace sgf
