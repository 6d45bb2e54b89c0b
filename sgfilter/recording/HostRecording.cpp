#include "recording/HostRecording.h"

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
    const std::size_t channelCount = channels.size();
    std::vector<UnitsConversion> conversions;
    for (const sg::ChannelScaling& scaling : scalings) conversions.push_back(unitsConversionOf(scaling));
    std::vector<double> units(static_cast<std::size_t>(plan.samplesPerBlock) * channelCount);
    std::vector<float> stored(static_cast<std::size_t>(plan.samplesPerBlock));
    for (std::size_t index = 0; index < plan.blocks.size(); ++index) {
        const PlannedBlock& block = plan.blocks[index];
        const auto length = static_cast<std::size_t>(block.length);
        rows.readRows(block.firstRow, channelCount, std::span(units).first(length * channelCount));
        for (std::size_t channel = 0; channel < channelCount; ++channel) {
            for (std::size_t row = 0; row < length; ++row) {
                stored[row] = storedValue(units[row * channelCount + channel], conversions[channel]);
            }
            recording.writeValues(refhost::DataKind::raw, channels[channel], static_cast<int16_t>(index + 1),
                                  std::span(stored).first(length));
        }
    }
}

}  // namespace sgf
