#include "cli/OutputChannels.h"

#include <fmt/format.h>

#include <algorithm>

namespace sgf {

namespace {

std::vector<int16_t> sourcesRead(const std::vector<PlannedStage>& stages) {
    std::vector<int16_t> sources;
    for (const PlannedStage& stage : stages) {
        if (!stage.settings.computed) sources.push_back(stage.sourceChannel);
    }
    std::ranges::sort(sources);
    const auto [first, last] = std::ranges::unique(sources);
    sources.erase(first, last);
    return sources;
}

}  // namespace

std::string withUnits(const std::string& name, const std::string& units) {
    return units.empty() ? name : fmt::format("{} ({})", name, units);
}

std::vector<OutputChannel> outputChannelsOf(const std::vector<PlannedStage>& stages, bool keepSources,
                                            const InputChannels& input, const std::vector<ComputedChannel>& computed) {
    std::vector<OutputChannel> outputs;
    if (keepSources) {
        for (const int16_t channel : sourcesRead(stages)) {
            const auto index = static_cast<std::size_t>(channel - 1);
            const InputChannel& recorded = input.description.channels[index];
            outputs.push_back({{channel, refhost::DataKind::raw, input.rates[index].value()}, recorded.label,
                               recorded.units, recorded.scaling, recorded.recordedRange, recorded.storedBits,
                               std::nullopt, std::nullopt});
        }
    }
    const auto fileChannels = static_cast<int16_t>(input.description.channels.size());
    std::vector<std::string> recordedNames;  // of each stage's chain
    for (std::size_t stage = 0; stage < computed.size(); ++stage) {
        const ComputedChannel& channel = computed[stage];
        const int16_t source = stages[stage].sourceChannel;
        recordedNames.push_back(source <= fileChannels ? input.description.channels[static_cast<std::size_t>(source - 1)].label
                                                       : recordedNames.at(static_cast<std::size_t>(source - fileChannels - 1)));
        outputs.push_back({{channel.channel, refhost::DataKind::computed, stages[stage].rate}, channel.title,
                           unitsTextOf(channel.scaling), channel.scaling, std::nullopt, 0,
                           StageOrigin{stages[stage].settings, source, recordedNames.back()}, channel.storedValues});
    }
    return outputs;
}

std::vector<ResultChannel> resultChannelsOf(const std::vector<OutputChannel>& outputs) {
    std::vector<ResultChannel> channels;
    for (const OutputChannel& output : outputs) channels.push_back(output.values);
    return channels;
}

std::vector<OutputColumn> csvColumnsOf(const std::vector<OutputChannel>& outputs) {
    std::vector<OutputColumn> columns;
    for (const OutputChannel& output : outputs) {
        columns.push_back({withUnits(output.name, output.units), output.scaling.decimals, unitsConversionOf(output.scaling)});
    }
    return columns;
}

}  // namespace sgf
