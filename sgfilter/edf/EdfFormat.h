// EDF and BDF recordings, plain or EDF+/BDF+, continuous or not: known by their first bytes.
#pragma once

#include "input/InputFormat.h"

namespace sgf {

InputFormat edfFormat();

}  // namespace sgf
