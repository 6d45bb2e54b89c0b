#include "recording/HostRecording.h"

#include <algorithm>

#include "recording/Scalings.h"

namespace sgf {

std::vector<int16_t> describeToHost(const CsvSummary& summary, const std::vector<sg::ChannelScaling>& scalings,
                                    double sampleInterval, const BlockPlan& plan, refhost::Recording& recording) {
    for (const PlannedBlock& block : plan.blocks) {
        recording.addBlock(block.length, sampleInterval,
                           block.startsRun ? refhost::RunBoundary::startsRun : refhost::RunBoundary::continuesRun);
    }
    std::vector<int16_t> channels;
    for (std::size_t channel = 0; channel < summary.channels.size(); ++channel) {
        const std::string& name = summary.channels[channel].name;
        channels.push_back(recording.addChannel({name, name, scalings[channel], scalings[channel]}));
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
    for (std::size_t index = 0; index < plan.blocks.size(); ++index) {
        const PlannedBlock& block = plan.blocks[index];
        const auto length = static_cast<std::size_t>(block.length);
        rows.readRows(block.firstRow, std::span(units).first(length * staged.size()));
        for (std::size_t column = 0; column < staged.size(); ++column) {
            for (std::size_t row = 0; row < length; ++row) {
                stored[row] = storedValue(units[row * staged.size() + column], conversions[column]);
            }
            recording.writeValues(refhost::DataKind::raw, channels[staged[column]], static_cast<int16_t>(index + 1),
                                  std::span(stored).first(length));
        }
    }
    for (std::size_t channel = 0; channel < channels.size(); ++channel) {
        if (!std::ranges::binary_search(staged, channel)) makeUnavailable(recording, channels[channel]);
    }
}

void makeUnavailable(refhost::Recording& recording, int16_t channel) {
    for (int16_t block = 1; block <= recording.blockCount(); ++block) {
        recording.setAvailable(refhost::DataKind::raw, channel, block, false);
    }
}

}  // namespace sgf
