#include "recording/StagePlan.h"

#include <fmt/format.h>

#include <charconv>

#include "util/Errors.h"

namespace sgf {

namespace {

class ChannelDirectory {
public:
    ChannelDirectory(const RecordingDescription& summary, std::size_t stageCount)
        : summary_(summary),
          fileChannels_(static_cast<int>(summary.channels.size())),
          stageCount_(static_cast<int>(stageCount)) {}

    int lastChannel() const { return fileChannels_ + stageCount_; }
    bool isStageOutput(int channel) const { return channel > fileChannels_; }
    int stageOf(int channel) const { return channel - fileChannels_; }
    int outputOf(int stage) const { return fileChannels_ + stage; }

    int resolve(const std::string& reference) const {
        int number = 0;
        const auto [end, error] = std::from_chars(reference.data(), reference.data() + reference.size(), number);
        if (error == std::errc() && end == reference.data() + reference.size()) return checkedNumber(number);
        return byName(reference);
    }

    std::string describe(int channel) const {
        if (isStageOutput(channel)) {
            return fmt::format("channel {} (the output of stage {})", channel, stageOf(channel));
        }
        return fmt::format("channel {} \"{}\"", channel, summary_.channels[channel - 1].label);
    }

private:
    int checkedNumber(int number) const {
        if (number >= 1 && number <= lastChannel()) return number;
        throw InputError(summary_.file, 1, fmt::format("no channel {}; {}", number, listing()));
    }

    int byName(const std::string& name) const {
        std::vector<int> matches;
        for (int channel = 1; channel <= fileChannels_; ++channel) {
            if (summary_.channels[channel - 1].label == name) matches.push_back(channel);
        }
        if (matches.empty()) throw InputError(summary_.file, 1, fmt::format("no channel \"{}\"; {}", name, listing()));
        if (matches.size() > 1) {
            throw InputError(summary_.file, 1,
                             fmt::format("channels {} are all named \"{}\"; give the channel's number",
                                         fmt::join(matches, " and "), name));
        }
        return matches.front();
    }

    std::string listing() const {
        std::string text = "the file's channels are";
        for (int channel = 1; channel <= fileChannels_; ++channel) {
            text += fmt::format("{} {} \"{}\"", channel == 1 ? "" : ",", channel, summary_.channels[channel - 1].label);
        }
        if (stageCount_ > 0) {
            text += stageCount_ == 1
                        ? fmt::format(", and the stage's output is {}", outputOf(1))
                        : fmt::format(", and the stages' outputs are {} to {}", outputOf(1), lastChannel());
        }
        return text;
    }

    const RecordingDescription& summary_;
    int fileChannels_;
    int stageCount_;
};

}  // namespace

std::vector<PlannedStage> planStages(const std::vector<FilterSettings>& stages, const RecordingDescription& summary) {
    const ChannelDirectory channels(summary, stages.size());
    std::vector<PlannedStage> planned;
    for (std::size_t index = 0; index < stages.size(); ++index) {
        const int stage = static_cast<int>(index) + 1;
        FilterSettings settings = stages[index];
        int source = 1;
        if (!settings.channel.empty()) {
            source = channels.resolve(settings.channel);
        } else if (stage > 1) {
            source = channels.outputOf(stage - 1);
            settings.computed = true;
        }
        if (channels.isStageOutput(source) && channels.stageOf(source) >= stage) {
            throw UsageError(
                fmt::format("stage {}: {} does not exist yet; a stage reads the file's channels or the "
                            "output of an earlier stage",
                            stage, channels.describe(source)));
        }
        if (channels.isStageOutput(source) && !settings.computed) {
            throw UsageError(fmt::format("stage {}: {} has computed values only; add --computed to read them", stage,
                                         channels.describe(source)));
        }
        if (!channels.isStageOutput(source) && settings.computed) {
            throw UsageError(
                fmt::format("stage {}: {} is recorded and has no computed values; --computed reads the "
                            "output of an earlier stage",
                            stage, channels.describe(source)));
        }
        planned.push_back({static_cast<int16_t>(source), static_cast<int16_t>(channels.outputOf(stage)), settings});
    }
    return planned;
}

void assignRates(std::vector<PlannedStage>& stages, const std::vector<std::optional<std::size_t>>& channelRates) {
    const std::size_t fileChannels = channelRates.size();
    for (PlannedStage& stage : stages) {
        const auto source = static_cast<std::size_t>(stage.sourceChannel);
        stage.rate = source > fileChannels ? stages.at(source - fileChannels - 1).rate : channelRates.at(source - 1).value();
    }
}

}  // namespace sgf
