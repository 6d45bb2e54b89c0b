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
#include "recording/ValueRange.h"
#include "refhost/ChannelComputation.h"
#include "refhost/ReferenceHost.h"

namespace sgf {

struct ComputedChannel {
    int16_t channel;
    std::string title;           // the module's default title
    sg::ChannelScaling scaling;  // the complete scaling of the channel's computed values
    ValueRange storedValues;     // the least and greatest value stored in its blocks, where runStage computed them all
};

// Told after each block: blocks done, blocks in all.
using BlockProgress = std::function<void(std::size_t, std::size_t)>;

// Computes the blocks of the stage's rate. Throws std::runtime_error when the module reports an
// error, misbehaves or leaves output unwritten.
ComputedChannel runStage(refhost::ReferenceHost& host, const PlannedStage& stage, const BlockPlan& plan,
                         const BlockProgress& progress);

// The parts of a stage, for a host that computes the blocks it shows when it shows them. Each
// throws std::runtime_error as runStage does.

// Appends the stage's output channel and has the module create its instance with the settings.
refhost::ChannelComputation startStage(refhost::ReferenceHost& host, const PlannedStage& stage);
// One block of the channel, through the module. Returns the least and greatest value it stored.
ValueRange computeStageBlock(refhost::ReferenceHost& host, refhost::ChannelComputation& computation, int16_t block);
// The output's title and scaling as the module gives them, stored in the channel's description.
// `block` is one of the stage's rate.
ComputedChannel describeStageOutput(refhost::ReferenceHost& host, refhost::ChannelComputation& computation,
                                    const PlannedStage& stage, int16_t block);

}  // namespace sgf
