// The units a channel's scaling record names, and the short form readers of EDF and the viewer
// show.
#pragma once

#include <string>

#include "module/filter/ChannelScaling.h"

namespace sgf {

std::string unitsTextOf(const sg::ChannelScaling& scaling);
// A unit text as EDF readers and the viewer show it, short enough for the header's 8 characters: "mmHg.ms^-1_"
// becomes "mmHg/ms".
std::string shortUnits(const std::string& units);

}  // namespace sgf
