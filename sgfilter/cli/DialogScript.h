// --script of `sgfilter settings`: the person's part in the module's dialog, written out for tests
// and automation. Steps are separated by commas and each ends with a hit on an item:
//   15=4   choose entry 4 of popup 15 (or move control 15 to position 4), then hit it
//   17:21  type "21" into text item 17, then hit it
//   1      hit item 1 (OK); 2 is Cancel
#pragma once

#include <string_view>
#include <vector>

#include "refhost/DialogSession.h"

namespace sgf {

// Throws UsageError naming the step that cannot be read.
std::vector<refhost::DialogStep> parseDialogScript(std::string_view script);

}  // namespace sgf
