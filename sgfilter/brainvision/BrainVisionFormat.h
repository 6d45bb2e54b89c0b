// BrainVision recordings (Brain Products' header, marker and data files), known by the header's
// first line and opened from the header.
#pragma once

#include "input/InputFormat.h"

namespace sgf {

InputFormat brainVisionFormat();

}  // namespace sgf
