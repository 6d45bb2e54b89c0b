// Puts an input recording into the host's recording model: blocks as planned, rate after rate,
// one channel per recorded channel with its raw scaling, each paged from the input at its own
// rate through the host's block store.
#pragma once

#include <cstddef>
#include <filesystem>

#include "input/InputRecording.h"
#include "recording/BlockPlan.h"
#include "refhost/Recording.h"

namespace sgf {

// The host's channels 1 to n are the input's channels, in order. A channel's blocks are available
// at its own rate only, and nowhere for one the input does not page. The store goes to `folder`
// and keeps `cachedBlocks` blocks in memory.
void pageInto(refhost::Recording& recording, const InputRecording& input, const BlockPlan& plan,
              const std::filesystem::path& folder, std::size_t cachedBlocks);

}  // namespace sgf
