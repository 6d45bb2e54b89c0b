// The channels an output holds, in order: with --keep-sources first the file channels the stages
// read, each once and in file order, then every stage's output. CSV and EDF+/BDF+ outputs are
// both written from this list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "csv/CsvWriter.h"
#include "input/RecordingDescription.h"
#include "output/ResultChannel.h"
#include "recording/StagePlan.h"
#include "recording/StageRunner.h"
#include "recording/ValueRange.h"

namespace sgf {

// How a stage's output was made: its settings, the channel it reads, and the recorded channel at
// the start of its chain of stages.
struct StageOrigin {
    FilterSettings settings;
    int16_t sourceChannel;
    std::string recordedName;
};

struct OutputChannel {
    ResultChannel values;
    std::string name;  // the input's name of a recorded channel, the module's title of a computed one
    std::string units;
    sg::ChannelScaling scaling;  // of the values written: their decimals and their units
    std::optional<SignalRange> recordedRange;  // a kept source's own range, where its file defines one
    int recordedBits = 0;                      // of a kept source's digital values, where it has them
    std::optional<StageOrigin> origin;         // a stage's output's
    std::optional<ValueRange> storedValues;    // a stage's output's least and greatest stored value
};

// The input as read: its channels and their rates among those read.
struct InputChannels {
    const RecordingDescription& description;
    const std::vector<std::optional<std::size_t>>& rates;
};

// "name (units)", or the name alone where there are no units: a channel as headers and messages show it.
std::string withUnits(const std::string& name, const std::string& units);

// `computed` holds each stage's output, in stage order.
std::vector<OutputChannel> outputChannelsOf(const std::vector<PlannedStage>& stages, bool keepSources,
                                            const InputChannels& input, const std::vector<ComputedChannel>& computed);
std::vector<ResultChannel> resultChannelsOf(const std::vector<OutputChannel>& outputs);
// Headed "name (units)", in units, with each channel's own decimals.
std::vector<OutputColumn> csvColumnsOf(const std::vector<OutputChannel>& outputs);

}  // namespace sgf
