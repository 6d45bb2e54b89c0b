// Runs one filter stage the way a recording host computes a channel: it appends the output
// channel, has the module create its instance, hands it each setting through its parameter
// number, asks for every block, and takes the output's scaling and title from the module.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "module/filter/ChannelScaling.h"
#include "recording/BlockPlan.h"
#include "recording/StagePlan.h"
#include "refhost/ReferenceHost.h"

namespace sgf {

struct ComputedChannel {
    int16_t channel;
    std::string title;           // the module's default title
    sg::ChannelScaling scaling;  // the complete scaling of the channel's computed values
};

// Told after each block: blocks done, blocks in all.
using BlockProgress = std::function<void(std::size_t, std::size_t)>;

// Computes the blocks of the stage's rate. Throws std::runtime_error when the module reports an
// error, misbehaves or leaves output unwritten.
ComputedChannel runStage(refhost::ReferenceHost& host, const PlannedStage& stage, const BlockPlan& plan,
                         const BlockProgress& progress);

}  // namespace sgf
