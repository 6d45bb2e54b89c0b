// Hands a channel's filter settings to its instance as a host hands over saved settings: one
// parameter at a time through the module's parameter selector, the source before the flag that
// depends on it.
#pragma once

#include <cstdint>
#include <optional>

#include "refhost/ChannelComputation.h"
#include "stagesettings/FilterSettings.h"

namespace sgf {

// Without a source channel the instance keeps the source it has.
void applySettings(refhost::ChannelComputation& computation, std::optional<int16_t> sourceChannel,
                   const FilterSettings& settings);

}  // namespace sgf
