#include "recording/StageRunner.h"

#include <fmt/format.h>

#include <stdexcept>

#include "recording/ApplySettings.h"
#include "recording/Scalings.h"
#include "refhost/ChannelComputation.h"
#include "util/Extremes.h"

namespace sgf {

namespace {

// The module tells the user about trouble through the host's error service, and the reference
// host notes whatever a module does wrong; either way the output cannot be trusted.
void requireHealthyModule(refhost::ReferenceHost& host, const std::string& activity) {
    const auto& errors = host.records().errorMessages;
    if (!errors.empty()) {
        throw std::runtime_error(fmt::format("the module reported an error while {}: {}", activity, errors.front()));
    }
    const auto& faults = host.misbehaviour().entries();
    if (!faults.empty()) {
        throw std::runtime_error(
            fmt::format("the module misbehaved while {}: {}{}", activity, faults.front(),
                        faults.size() > 1 ? fmt::format(" (and {} more)", faults.size() - 1) : ""));
    }
}

sg::ChannelScaling outputScaling(refhost::ReferenceHost& host, refhost::ChannelComputation& computation,
                                 const PlannedStage& stage, int16_t block) {
    // The blocks of a rate share its sample interval, so one speaks for all of them.
    const refhost::OutputScalingAnswer answer = computation.outputScaling(block);
    if (answer.result != 1 || answer.answered != 1) {
        throw std::runtime_error("the module gave no scaling for its output");
    }
    const refhost::ChannelDescription& source = host.recording().channel(stage.sourceChannel);
    return computedChannelScaling(answer.record, stage.settings.computed ? source.computedScaling : source.rawScaling);
}

std::string activityOf(const refhost::ChannelComputation& computation) {
    return fmt::format("computing channel {}", computation.channel());
}

}  // namespace

refhost::ChannelComputation startStage(refhost::ReferenceHost& host, const PlannedStage& stage) {
    refhost::Recording& recording = host.recording();
    const std::string activity = fmt::format("computing channel {}", stage.outputChannel);
    // Until the module answers, the new channel borrows its source's description.
    const int16_t channel = recording.addChannel(recording.channel(stage.sourceChannel));
    if (channel != stage.outputChannel) throw std::logic_error("stage outputs must be appended in stage order");

    auto computation = refhost::ChannelComputation::create(host, channel);
    requireHealthyModule(host, activity);
    if (!computation) throw std::runtime_error("the module could not create its instance for " + activity);
    applySettings(*computation, stage.sourceChannel, stage.settings);
    requireHealthyModule(host, activity);
    return *computation;
}

ValueRange computeStageBlock(refhost::ReferenceHost& host, refhost::ChannelComputation& computation, int16_t block) {
    computation.computeBlock(block);
    const auto values = host.recording().readValues(refhost::DataKind::computed, computation.channel(), block);
    if (holdsNaN(values)) throw std::runtime_error(fmt::format("the module left samples of block {} unwritten", block));
    requireHealthyModule(host, activityOf(computation));
    // Taken while the block is at hand, so that no later pass has to read every block again.
    const Extremes extremes = extremesOf(values);
    return ValueRange{extremes.least, extremes.greatest};
}

ComputedChannel describeStageOutput(refhost::ReferenceHost& host, refhost::ChannelComputation& computation,
                                    const PlannedStage& stage, int16_t block) {
    const refhost::DefaultTitleAnswer title = computation.defaultTitle();
    if (title.record.hasTitle != 1) throw std::runtime_error("the module gave no title for its output");
    ComputedChannel computed{computation.channel(), title.text(), outputScaling(host, computation, stage, block), {}};
    requireHealthyModule(host, activityOf(computation));
    refhost::ChannelDescription& description = host.recording().channel(computation.channel());
    description.name = computed.title;
    description.title = computed.title;
    description.computedScaling = computed.scaling;
    return computed;
}

ComputedChannel runStage(refhost::ReferenceHost& host, const PlannedStage& stage, const BlockPlan& plan,
                         const BlockProgress& progress) {
    refhost::ChannelComputation computation = startStage(host, stage);
    ValueRange stored;
    for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
        widenValueRange(stored, computeStageBlock(host, computation, plan.blockNumber(stage.rate, index)));
        progress(index + 1, plan.blocksPerRate());
    }
    ComputedChannel computed = describeStageOutput(host, computation, stage, plan.blockNumber(stage.rate, 0));
    computed.storedValues = stored;
    return computed;
}

}  // namespace sgf
