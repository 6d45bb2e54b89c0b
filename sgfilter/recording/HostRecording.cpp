#include "recording/HostRecording.h"

#include <memory>
#include <optional>
#include <vector>

#include "recording/InputBlockStore.h"
#include "refhost/FileBlockStore.h"

namespace sgf {

namespace {

// Blocks of a channel that the host does not hand to the module: those of the rates other than
// `keptRate`, or all of them.
void makeUnavailable(refhost::Recording& recording, const BlockPlan& plan, int16_t channel,
                     std::optional<std::size_t> keptRate) {
    for (std::size_t rate = 0; rate < plan.samplesPerTick.size(); ++rate) {
        if (rate == keptRate) continue;
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            recording.setAvailable(refhost::DataKind::raw, channel, plan.blockNumber(rate, index), false);
        }
    }
}

}  // namespace

void pageInto(refhost::Recording& recording, const InputRecording& input, const BlockPlan& plan,
              const std::filesystem::path& folder, std::size_t cachedBlocks) {
    const std::vector<std::optional<std::size_t>>& channelRates = input.channelRates();
    std::vector<std::optional<int32_t>> firstSamples;
    for (const std::optional<std::size_t>& rate : channelRates) {
        firstSamples.push_back(rate ? std::optional(plan.firstSampleOf(*rate)) : std::nullopt);
    }
    recording.pageThrough(std::make_unique<InputBlockStore>(
                              input, std::move(firstSamples),
                              std::make_unique<refhost::FileBlockStore>(folder, plan.sampleCount())),
                          cachedBlocks);
    const std::vector<RowsAtRate>& rates = input.rates();
    for (std::size_t rate = 0; rate < rates.size(); ++rate) {
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            const PlannedBlock block = plan.blockOf(rate, index);
            recording.addBlock(block.length, rates[rate].sampleInterval,
                               block.startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
        }
    }
    const std::vector<InputChannel>& channels = input.description().channels;
    for (std::size_t index = 0; index < channels.size(); ++index) {
        const InputChannel& channel = channels[index];
        const int16_t number =
            recording.addChannel({channel.label, channel.label, channel.scaling, channel.scaling});
        makeUnavailable(recording, plan, number, channelRates[index]);
        if (channelRates[index]) recording.heldByStore(refhost::DataKind::raw, number);
    }
}

}  // namespace sgf
