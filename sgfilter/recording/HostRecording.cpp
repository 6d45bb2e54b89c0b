#include "recording/HostRecording.h"

#include <algorithm>

#include "recording/Scalings.h"

namespace sgf {

namespace {

// Blocks of a channel that the host does not hand to the module: all of them, or those of the
// rates other than `keptRate`.
void makeUnavailable(refhost::Recording& recording, const BlockPlan& plan, int16_t channel,
                     std::optional<std::size_t> keptRate = std::nullopt) {
    for (std::size_t rate = 0; rate < plan.samplesPerTick.size(); ++rate) {
        if (rate == keptRate) continue;
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            recording.setAvailable(refhost::DataKind::raw, channel, plan.blockNumber(rate, index), false);
        }
    }
}

}  // namespace

std::vector<int16_t> describeToHost(const CsvSummary& summary, const std::vector<sg::ChannelScaling>& scalings,
                                    const std::vector<RowsAtRate>& rates,
                                    const std::vector<std::optional<std::size_t>>& channelRates, const BlockPlan& plan,
                                    refhost::Recording& recording) {
    for (std::size_t rate = 0; rate < rates.size(); ++rate) {
        for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
            const PlannedBlock block = plan.blockOf(rate, index);
            recording.addBlock(block.length, rates[rate].sampleInterval,
                               block.startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
        }
    }
    std::vector<int16_t> channels;
    for (std::size_t column = 0; column < summary.channels.size(); ++column) {
        const std::string& name = summary.channels[column].name;
        const int16_t channel = channels.emplace_back(recording.addChannel({name, name, scalings[column], scalings[column]}));
        makeUnavailable(recording, plan, channel, channelRates[column]);
    }
    return channels;
}

void loadSamples(const StagedRows& rows, const std::vector<sg::ChannelScaling>& scalings, const BlockPlan& plan,
                 const std::vector<int16_t>& channels, refhost::Recording& recording) {
    const std::vector<std::size_t>& staged = rows.stagedChannels();
    std::vector<UnitsConversion> conversions;
    for (const std::size_t channel : staged) conversions.push_back(unitsConversionOf(scalings[channel]));
    std::vector<double> units(static_cast<std::size_t>(plan.samplesPerBlock) * staged.size());
    std::vector<float> stored(static_cast<std::size_t>(plan.samplesPerBlock));
    for (std::size_t index = 0; index < plan.blocksPerRate(); ++index) {
        const PlannedBlock block = plan.blockOf(0, index);
        const auto length = static_cast<std::size_t>(block.length);
        rows.readRows(block.firstRow, std::span(units).first(length * staged.size()));
        for (std::size_t column = 0; column < staged.size(); ++column) {
            for (std::size_t row = 0; row < length; ++row) {
                stored[row] = storedValue(units[row * staged.size() + column], conversions[column]);
            }
            recording.writeValues(refhost::DataKind::raw, channels[staged[column]], plan.blockNumber(0, index),
                                  std::span(stored).first(length));
        }
    }
    for (std::size_t channel = 0; channel < channels.size(); ++channel) {
        if (!std::ranges::binary_search(staged, channel)) makeUnavailable(recording, plan, channels[channel]);
    }
}

}  // namespace sgf
