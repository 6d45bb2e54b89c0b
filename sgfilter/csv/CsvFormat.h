// CSV recordings: a header row, then rows of time and one value per channel. The fallback format:
// a file that no other format claims is read as CSV.
#pragma once

#include "input/InputFormat.h"

namespace sgf {

InputFormat csvFormat();

}  // namespace sgf
