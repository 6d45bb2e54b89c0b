#include "view/ViewSession.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

#include "formats/InputFormats.h"
#include "module/entry/ParameterBlocks.h"
#include "recording/ApplySettings.h"
#include "recording/HostRecording.h"
#include "recording/Scalings.h"
#include "util/Errors.h"

namespace sgf {

namespace {

// Enough for the blocks a window reaches on either side of the block being computed, at every
// stage of a chain, and for the blocks of the channels of one trace.
constexpr std::size_t kCachedBlocks = 64;

// From this many blocks a recording is long enough for its recorded channels to be summarised on
// another core, through a second opening of the recording, while the session serves and computes.
constexpr std::size_t kSummariseAlongsideFrom = 256;

// Zoomed out so far that a column spans this many stretches of samples, the trace is drawn from
// the stretches' summaries, the longest that fit; counting each whole in the column of its first
// sample then moves a sample into the column beside its own only where a stretch crosses a
// column's edge, by at most a quarter of a column. A trace thus reads at most 4 x 8 entries per
// column and channel, at any zoom, save where it reads samples.
constexpr double kStretchesPerColumn = 4;

std::optional<double> leastInUnits(const Extremes& extremes, const UnitsConversion& conversion) {
    if (!extremes.holdsValues()) return std::nullopt;
    // A scaling may invert the order; it keeps it otherwise, rounding included.
    return std::min(conversion.toUnits(extremes.least), conversion.toUnits(extremes.greatest));
}

std::optional<double> greatestInUnits(const Extremes& extremes, const UnitsConversion& conversion) {
    if (!extremes.holdsValues()) return std::nullopt;
    return std::max(conversion.toUnits(extremes.least), conversion.toUnits(extremes.greatest));
}

nlohmann::json settingsJson(const sg::LocalDataType& held) {
    return {{"source", held.sourceChannel},      {"computed", held.useComputedSource != 0},
            {"derivative", held.derivativeOrder}, {"order", held.polynomialOrder},
            {"width", held.windowWidth},          {"range-index", held.rangeIndex}};
}

}  // namespace

struct ViewSession::Computed {
    refhost::ChannelComputation computation;
    PlannedStage stage;
    ComputedChannel output;
    std::vector<bool> done;  // by block index of the stage's rate
    bool computing = false;

    const sg::LocalDataType& held() const { return **(*computation.instance())->settings; }
};

ViewSession::ViewSession(const ViewOptions& options)
    : options_(options), inputName_(options.input.string()), host_(refhost::HostOptions::forBulkFiltering()) {
    host_.loadModule(options.module);
    // Every channel is read: a person may look at any of them.
    const ChannelChoice everyChannel = [](const RecordingDescription& header) {
        std::vector<int> all;
        for (std::size_t channel = 1; channel <= header.channels.size(); ++channel) all.push_back(static_cast<int>(channel));
        return all;
    };
    input_ = openRecording(options.input, {options.scratch, everyChannel, options.annotations});
    std::vector<std::size_t> samplesPerTick;
    for (const RowsAtRate& rate : input_->rates()) samplesPerTick.push_back(rate.samplesPerTick);
    // A redraw reads whole blocks, so a short stretch comes sooner from short ones: unless told,
    // the view pages in blocks of kSamplesPerBlock where the host can number them, as filter's
    // largest blocks would make zooming back in slower.
    int samplesPerBlock = options.samplesPerBlock;
    if (samplesPerBlock == 0 && blocksFit(input_->layout().runs, kSamplesPerBlock, samplesPerTick)) {
        samplesPerBlock = kSamplesPerBlock;
    }
    plan_ = planBlocks(input_->layout().runs, samplesPerBlock, samplesPerTick);
    pageInto(host_.recording(), *input_, plan_, options.scratch, kCachedBlocks);
    for (const RowsAtRate& rate : input_->rates()) {
        std::vector<double>& starts = blockStarts_.emplace_back();
        starts.reserve(plan_.blocksPerRate());
        for (const PlannedBlock& block : plan_.blocks) starts.push_back(rate.times->timeOf(block.firstRow * rate.samplesPerTick));
    }
    summaries_ = std::make_unique<ValueSummaries>(options.scratch, plan_.blocksPerRate(), plan_.samplesPerBlock);
    if (plan_.blocksPerRate() >= kSummariseAlongsideFrom) {
        recordedSummariser_ = std::make_unique<RecordedSummariser>(
            [options, everyChannel] { return openRecording(options.input, {options.scratch, everyChannel, options.annotations}); },
            plan_, input_->channelRates(), *summaries_);
    }
}

ViewSession::~ViewSession() = default;

bool ViewSession::isChannel(int16_t channel) const {
    if (channel < 1 || channel > lastChannel()) return false;
    return channel <= fileChannels() || computed_[static_cast<std::size_t>(channel - fileChannels() - 1)] != nullptr;
}

bool ViewSession::hasComputed() const {
    return std::ranges::any_of(computed_, [](const auto& computed) { return computed != nullptr; });
}

ViewSession::Computed* ViewSession::computedOf(int16_t channel) {
    return const_cast<Computed*>(std::as_const(*this).computedOf(channel));
}

const ViewSession::Computed* ViewSession::computedOf(int16_t channel) const {
    if (channel <= fileChannels() || !isChannel(channel)) return nullptr;
    return computed_[static_cast<std::size_t>(channel - fileChannels() - 1)].get();
}

bool ViewSession::isShown(int16_t channel) const {
    return channel > fileChannels() || input_->channelRates()[static_cast<std::size_t>(channel - 1)].has_value();
}

std::size_t ViewSession::rateOf(int16_t channel) const {
    if (const Computed* computed = computedOf(channel)) return computed->stage.rate;
    const auto rate = input_->channelRates()[static_cast<std::size_t>(channel - 1)];
    if (!rate) throw UsageError(fmt::format("channel {} is at a rate the recording's others do not share", channel));
    return *rate;
}

nlohmann::json ViewSession::describeChannel(int16_t channel) const {
    const std::size_t rate = rateOf(channel);
    nlohmann::json json{{"number", channel}, {"rate", 1.0 / input_->rates()[rate].sampleInterval}, {"rateIndex", rate}};
    if (channel <= fileChannels()) {
        const InputChannel& column = input_->description().channels[static_cast<std::size_t>(channel - 1)];
        json["name"] = column.label;
        json["units"] = shortUnits(unitsTextOf(column.scaling));
        json["decimals"] = column.scaling.decimals;
        json["computed"] = false;
        return json;
    }
    const Computed& computed = *computedOf(channel);
    json["name"] = computed.output.title;
    json["units"] = shortUnits(unitsTextOf(computed.output.scaling));
    json["decimals"] = computed.output.scaling.decimals;
    json["computed"] = true;
    json["settings"] = settingsJson(computed.held());
    return json;
}

nlohmann::json ViewSession::describe() const {
    const std::vector<RowsAtRate>& rates = input_->rates();
    nlohmann::json runs = nlohmann::json::array();
    for (const DataRun& run : input_->layout().runs) {
        double start = INFINITY;
        double end = -INFINITY;
        for (const RowsAtRate& rate : rates) {
            start = std::min(start, rate.times->timeOf(run.firstRow * rate.samplesPerTick));
            end = std::max(end, rate.times->timeOf((run.firstRow + run.rowCount) * rate.samplesPerTick - 1));
        }
        runs.push_back({{"start", start}, {"end", end}});
    }
    nlohmann::json channels = nlohmann::json::array();
    for (int16_t channel = 1; channel <= lastChannel(); ++channel) {
        if (isChannel(channel) && isShown(channel)) channels.push_back(describeChannel(channel));
    }
    nlohmann::json annotations = nlohmann::json::array();
    const RecordingDescription& recording = input_->description();
    for (const Annotation& annotation : recording.annotations) {
        annotations.push_back({{"onset", annotation.onset}, {"duration", annotation.duration}, {"text", annotation.text}});
    }
    const std::optional<StartDateTime>& start = recording.start;
    return {{"file", inputName_},
            {"format", recording.format},
            {"start", start ? nlohmann::json(fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", start->year, start->month,
                                                         start->day, start->hour, start->minute, start->second))
                            : nlohmann::json()},
            {"timeHeader", recording.timeHeader},
            {"runs", runs},
            {"channels", channels},
            {"annotations", annotations},
            {"filterCommand", filterCommandText()}};
}

int16_t ViewSession::addComputed(int16_t source, const FilterSettings& settings) {
    if (!isChannel(source)) throw UsageError(fmt::format("there is no channel {}", source));
    for (const auto& [setting, value] : {std::pair{&kDerivativeSetting, settings.derivative},
                                         std::pair{&kOrderSetting, settings.order}, std::pair{&kWidthSetting, settings.width},
                                         std::pair{&kRangeIndexSetting, settings.rangeIndex}}) {
        if (const auto problem = settingProblem(*setting, value)) throw UsageError(fmt::format("{} {}", setting->name, *problem));
    }
    // The host's channels are never taken away, so a new one is numbered after every one ever added.
    PlannedStage stage{source, static_cast<int16_t>(host_.recording().channelCount() + 1), settings, rateOf(source)};
    // A computed channel has computed values only, which is what filtering it means.
    stage.settings.computed = source > fileChannels();
    try {
        refhost::ChannelComputation computation = startStage(host_, stage);
        computed_.resize(static_cast<std::size_t>(stage.outputChannel - fileChannels()));
        computed_.back() = std::make_unique<Computed>(
            Computed{computation, stage, ComputedChannel{stage.outputChannel, {}, {}, {}}, std::vector<bool>(plan_.blocksPerRate(), false)});
        // The module's answer about its output's scaling holds once it has computed a block, as in
        // `filter`, which asks after computing them all.
        adoptHeldSettings(*computed_.back());
    } catch (...) {
        // A channel the host added stays a hole.
        if (host_.recording().channelCount() >= stage.outputChannel) dropComputed(stage.outputChannel);
        throw;
    }
    preparedComputed_ = 0;
    return stage.outputChannel;
}

void ViewSession::adoptHeldSettings(Computed& computed) {
    ensureComputed(computed, 0, 0);
    computed.output = describeStageOutput(host_, computed.computation, computed.stage, plan_.blockNumber(computed.stage.rate, 0));
}

void ViewSession::dropComputed(int16_t channel) {
    const auto index = static_cast<std::size_t>(channel - fileChannels() - 1);
    if (index < computed_.size()) computed_[index].reset();
    computed_.resize(std::max(computed_.size(), index + 1));
    host_.endInstance(channel);
    host_.recording().dropValues(refhost::DataKind::computed, channel);
    summaries_->forget(channel);
    std::erase(failing_, channel);
}

std::vector<int16_t> ViewSession::readersOf(int16_t channel) const {
    std::vector<int16_t> changed{channel};
    // A channel's source may come after it once a dialog has chosen it, so go round until no more
    // channels join.
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& computed : computed_) {
            if (computed == nullptr) continue;
            const int16_t number = computed->computation.channel();
            if (std::ranges::find(changed, number) != changed.end()) continue;
            const sg::LocalDataType& held = computed->held();
            if (held.useComputedSource != 0 && std::ranges::find(changed, held.sourceChannel) != changed.end()) {
                changed.push_back(number);
                grew = true;
            }
        }
    }
    return changed;
}

void ViewSession::forgetComputed(int16_t channel) {
    for (const int16_t number : readersOf(channel)) {
        Computed& computed = *computedOf(number);
        computed.done.assign(computed.done.size(), false);
        summaries_->forget(number);
        std::erase(failing_, number);
    }
    preparedComputed_ = 0;
}

std::vector<int16_t> ViewSession::removeComputed(int16_t channel) {
    if (!isComputed(channel)) throw UsageError(fmt::format("channel {} is not a computed channel", channel));
    std::vector<int16_t> removed = readersOf(channel);
    std::ranges::sort(removed);
    for (const int16_t number : removed) dropComputed(number);
    return removed;
}

std::string ViewSession::outputStem() const { return options_.input.stem().string() + "-sg"; }

FilterCommandLine ViewSession::filterCommand(const std::string& output) const {
    if (!hasComputed()) throw UsageError("there is no computed channel to write");
    FilterCommandLine command{{"filter", inputName_, "-o", output, "--keep-sources"}, {}};
    if (!options_.annotations.empty()) command.head.insert(command.head.end(), {"--annotations", options_.annotations});
    if (options_.moduleNamed) command.head.insert(command.head.end(), {"--module", options_.module.string()});
    // filter numbers each stage's output after the recording's channels, in stage order, and a
    // stage reads only an earlier one: the channels go in the view's order where that allows.
    std::vector<const Computed*> waiting;
    for (const auto& computed : computed_) {
        if (computed != nullptr) waiting.push_back(computed.get());
    }
    std::map<int16_t, int> stageOutputs;  // by the view's number
    while (!waiting.empty()) {
        const auto next = std::ranges::find_if(waiting, [&](const Computed* computed) {
            return computed->held().useComputedSource == 0 || stageOutputs.contains(computed->held().sourceChannel);
        });
        if (next == waiting.end()) throw std::logic_error("computed channels read each other in a circle");
        const sg::LocalDataType held = (*next)->held();
        const bool computedSource = held.useComputedSource != 0;
        std::vector<std::string> stage{"--channel",
                                       std::to_string(computedSource ? stageOutputs.at(held.sourceChannel) : held.sourceChannel)};
        if (computedSource) stage.emplace_back("--computed");
        for (const auto& [setting, value] : {std::pair{&kDerivativeSetting, held.derivativeOrder}, std::pair{&kOrderSetting, held.polynomialOrder},
                                             std::pair{&kWidthSetting, held.windowWidth}, std::pair{&kRangeIndexSetting, held.rangeIndex}}) {
            stage.insert(stage.end(), {fmt::format("--{}", setting->name), std::to_string(value)});
        }
        command.stages.push_back(std::move(stage));
        stageOutputs[(*next)->computation.channel()] = fileChannels() + static_cast<int>(command.stages.size());
        waiting.erase(next);
    }
    return command;
}

nlohmann::json ViewSession::filterCommandText() const {
    if (!hasComputed()) return nullptr;
    std::set<std::size_t> rates;
    for (const auto& computed : computed_) {
        if (computed != nullptr) rates.insert(computed->stage.rate);
    }
    // A CSV table has one time column.
    return filterCommand(outputStem() + (rates.size() > 1 ? ".edf" : ".csv")).text();
}

nlohmann::json ViewSession::runSettingsDialog(int16_t channel, std::shared_ptr<refhost::DialogDriver> driver) {
    Computed* computed = computedOf(channel);
    if (computed == nullptr) throw UsageError(fmt::format("channel {} is not a computed channel", channel));
    const sg::LocalDataType before = computed->held();
    const PlannedStage stageBefore = computed->stage;
    auto& reports = host_.records().parameterReports;
    reports.clear();
    host_.dialogs().setDriver(std::move(driver));
    sg::InstanceChannelBlock block{computed->computation.instance(), channel, 0};
    const int32_t kept = host_.call(sg::kSelectorRunSettingsDialog, block);
    host_.dialogs().setDriver(nullptr);
    const bool confirmed = kept != 0 && !reports.empty();
    if (!confirmed) return {{"confirmed", false}, {"channel", channel}};
    try {
        // The host applied the reports to the instance; the stage now reads what the module holds.
        const sg::LocalDataType held = computed->held();
        if (!isChannel(held.sourceChannel)) throw UsageError(fmt::format("channel {} was removed", held.sourceChannel));
        computed->stage.sourceChannel = held.sourceChannel;
        computed->stage.settings.computed = held.useComputedSource != 0;
        computed->stage.rate = rateOf(held.sourceChannel);
        forgetComputed(channel);
        adoptHeldSettings(*computed);
    } catch (const std::exception& problem) {
        host_.records().errorMessages.clear();
        host_.misbehaviour().clear();
        computed->stage = stageBefore;
        applySettings(computed->computation, before.sourceChannel,
                      FilterSettings{{}, before.useComputedSource != 0, before.derivativeOrder, before.polynomialOrder,
                                     before.windowWidth, before.rangeIndex});
        forgetComputed(channel);
        adoptHeldSettings(*computed);
        return {{"confirmed", false}, {"channel", channel}, {"error", fmt::format("the settings were not taken: {}", problem.what())}};
    }
    return {{"confirmed", true}, {"channel", channel}};
}

// The module reads the source's computed values of every block its windows reach, so those are
// computed first, stage before stage.
void ViewSession::ensureComputed(Computed& computed, std::size_t blockIndex, int depth) {
    if (computed.done[blockIndex]) return;
    if (computed.computing || depth > static_cast<int>(computed_.size())) {
        throw UsageError(fmt::format("channel {} reads its own output through its sources", computed.computation.channel()));
    }
    computed.computing = true;
    // Copied: the module's record may move during the calls below.
    const sg::LocalDataType held = computed.held();
    Computed* source = held.useComputedSource != 0 ? computedOf(held.sourceChannel) : nullptr;
    const int reach = (held.windowWidth - 1) / 2;
    try {
        if (source != nullptr) {
            const std::size_t rate = source->stage.rate;
            ensureComputed(*source, blockIndex, depth + 1);
            int left = reach;
            for (std::size_t index = blockIndex; left > 0 && index > 0 && !plan_.blocks[index].startsRun;) {
                --index;
                ensureComputed(*source, index, depth + 1);
                left -= plan_.blockOf(rate, index).length;
            }
            int right = reach;
            for (std::size_t index = blockIndex + 1;
                 right > 0 && index < plan_.blocksPerRate() && !plan_.blocks[index].startsRun; ++index) {
                ensureComputed(*source, index, depth + 1);
                right -= plan_.blockOf(rate, index).length;
            }
        }
        computeStageBlock(host_, computed.computation, plan_.blockNumber(computed.stage.rate, blockIndex));
    } catch (...) {
        computed.computing = false;
        throw;
    }
    computed.computing = false;
    computed.done[blockIndex] = true;
}

std::size_t ViewSession::firstBlockAtOrAfter(double time) const {
    const std::vector<double>& starts = blockStarts_.front();
    return static_cast<std::size_t>(std::ranges::lower_bound(starts, time) - starts.begin());
}

std::span<const float> ViewSession::storedValues(int16_t channel, std::size_t blockIndex) {
    Computed* computed = computedOf(channel);
    if (computed) ensureComputed(*computed, blockIndex, 0);
    const std::size_t rate = rateOf(channel);
    const auto length = static_cast<std::size_t>(plan_.blockOf(rate, blockIndex).length);
    return host_.recording()
        .readValues(computed ? refhost::DataKind::computed : refhost::DataKind::raw, channel, plan_.blockNumber(rate, blockIndex))
        .first(length);
}

void ViewSession::ensureSummarised(int16_t channel, std::size_t blockIndex) {
    while (!summaries_->has(channel, blockIndex)) {
        if (summaries_->claim(channel, blockIndex)) return summarise(channel, blockIndex, storedValues(channel, blockIndex));
        // The recorded channels' summariser is at this very block.
        std::this_thread::yield();
    }
}

void ViewSession::summarise(int16_t channel, std::size_t blockIndex, std::span<const float> values) {
    try {
        summaries_->add(channel, blockIndex, values);
    } catch (...) {
        summaries_->release(channel, blockIndex);
        throw;
    }
}

bool ViewSession::prepareNext() {
    // The computed channels first: only this thread can ask the module for them, while the recorded
    // channels' summariser, where there is one, reads the others from the far end meanwhile.
    return prepareNextOf(true, preparedComputed_) || prepareNextOf(false, preparedRecorded_);
}

bool ViewSession::prepareNextOf(bool computed, std::size_t& prepared) {
    for (; prepared < plan_.blocksPerRate(); ++prepared) {
        for (int16_t channel = 1; channel <= lastChannel(); ++channel) {
            if (!isChannel(channel) || isComputed(channel) != computed || !isShown(channel) || summaries_->has(channel, prepared) ||
                std::ranges::find(failing_, channel) != failing_.end()) {
                continue;
            }
            try {
                ensureSummarised(channel, prepared);
            } catch (const std::exception&) {
                if (!computed) throw;
                failing_.push_back(channel);
            }
            return true;
        }
    }
    return false;
}

std::vector<UnitsConversion> ViewSession::conversionsOf(const std::vector<int16_t>& channels) const {
    std::vector<UnitsConversion> conversions;
    for (const int16_t channel : channels) {
        const Computed* computed = computedOf(channel);
        conversions.push_back(unitsConversionOf(computed ? computed->output.scaling
                                                         : input_->description().channels[static_cast<std::size_t>(channel - 1)].scaling));
    }
    return conversions;
}

TraceTable ViewSession::trace(const TraceRequest& request) {
    if (request.channels.empty()) throw UsageError("name at least one channel");
    if (!std::isfinite(request.from) || !std::isfinite(request.to) || !(request.from < request.to)) {
        throw UsageError("the stretch must run from an earlier to a later time");
    }
    if (request.columns < 1 || request.columns > kMostColumns) {
        throw UsageError(fmt::format("columns must be from 1 to {}", kMostColumns));
    }
    for (const int16_t channel : request.channels) {
        if (!isChannel(channel)) throw UsageError(fmt::format("there is no channel {}", channel));
    }
    const std::size_t rate = rateOf(request.channels.front());
    for (const int16_t channel : request.channels) {
        if (rateOf(channel) != rate) throw UsageError("the channels of one trace must share their rate");
    }
    TraceColumns columns(request.from, request.to, request.columns, request.channels.size());
    // The block that holds `from` starts before it.
    std::size_t first = firstBlockAtOrAfter(request.from);
    if (first > 0) --first;
    const double samplesPerColumn = (request.to - request.from) / input_->rates()[rate].sampleInterval / request.columns;
    if (samplesPerColumn >= kStretchesPerColumn * plan_.samplesPerBlock) {
        traceSummaries(request, first, 0, columns);
    } else if (samplesPerColumn >= kStretchesPerColumn * ValueSummaries::kStretchSizes[1]) {
        traceSummaries(request, first, ValueSummaries::kStretchSizes[1], columns);
    } else if (samplesPerColumn >= kStretchesPerColumn * ValueSummaries::kStretchSizes[0]) {
        traceSummaries(request, first, ValueSummaries::kStretchSizes[0], columns);
    } else {
        traceSamples(request, first, columns);
    }
    return columns.finish();
}

void ViewSession::traceSamples(const TraceRequest& request, std::size_t index, TraceColumns& columns) {
    const std::size_t rate = rateOf(request.channels.front());
    const RowsAtRate& rows = input_->rates()[rate];
    const std::vector<UnitsConversion> conversions = conversionsOf(request.channels);
    std::vector<double> times(static_cast<std::size_t>(plan_.samplesPerBlock));
    std::vector<std::vector<double>> values(request.channels.size(), std::vector<double>(times.size()));
    std::vector<std::span<const double>> valueSpans(request.channels.size());
    const std::size_t end = summariseComputedFirst(request, rate, index);
    for (; index < end; ++index) {
        const PlannedBlock block = plan_.blockOf(rate, index);
        const auto length = static_cast<std::size_t>(block.length);
        rows.times->readTimes(block.firstRow, std::span(times).first(length));
        for (std::size_t channel = 0; channel < request.channels.size(); ++channel) {
            const int16_t number = request.channels[channel];
            const std::span<const float> stored = storedValues(number, index);
            if (summaries_->claim(number, index)) summarise(number, index, stored);
            for (std::size_t sample = 0; sample < length; ++sample) {
                values[channel][sample] = conversions[channel].toUnits(stored[sample]);
            }
            valueSpans[channel] = std::span<const double>(values[channel]).first(length);
        }
        columns.add(std::span<const double>(times).first(length), valueSpans, block.startsRun);
    }
}

std::size_t ViewSession::summariseComputedFirst(const TraceRequest& request, std::size_t rate, std::size_t first) {
    const auto end = static_cast<std::size_t>(std::ranges::upper_bound(blockStarts_[rate], request.to) - blockStarts_[rate].begin());
    // For the reason idle work takes them first.
    for (const int16_t channel : request.channels) {
        if (!isComputed(channel)) continue;
        for (std::size_t block = first; block < end; ++block) ensureSummarised(channel, block);
    }
    return end;
}

void ViewSession::traceSummaries(const TraceRequest& request, std::size_t index, std::size_t stretchSize, TraceColumns& columns) {
    const std::size_t rate = rateOf(request.channels.front());
    const double interval = input_->rates()[rate].sampleInterval;
    const std::vector<UnitsConversion> conversions = conversionsOf(request.channels);
    const std::size_t channels = request.channels.size();
    std::vector<std::optional<double>> least(channels);
    std::vector<std::optional<double>> greatest(channels);
    std::vector<std::vector<Extremes>> stretches(channels);
    const auto take = [&](std::size_t channel, const Extremes& extremes) {
        least[channel] = leastInUnits(extremes, conversions[channel]);
        greatest[channel] = greatestInUnits(extremes, conversions[channel]);
    };
    const std::size_t end = summariseComputedFirst(request, rate, index);
    for (; index < end; ++index) {
        const PlannedBlock block = plan_.blockOf(rate, index);
        const double start = blockStarts_[rate][index];
        for (const int16_t channel : request.channels) ensureSummarised(channel, index);
        if (stretchSize == 0) {
            for (std::size_t channel = 0; channel < channels; ++channel) {
                take(channel, summaries_->ofBlock(request.channels[channel], index));
            }
            columns.addExtremes(start, start + (block.length - 1) * interval, least, greatest, block.startsRun);
            continue;
        }
        const std::size_t count = ValueSummaries::stretchesIn(static_cast<std::size_t>(block.length), stretchSize);
        for (std::size_t channel = 0; channel < channels; ++channel) {
            stretches[channel].resize(count);
            summaries_->readStretches(request.channels[channel], index, stretchSize, stretches[channel]);
        }
        for (std::size_t stretch = 0; stretch < count; ++stretch) {
            for (std::size_t channel = 0; channel < channels; ++channel) take(channel, stretches[channel][stretch]);
            const std::size_t first = stretch * stretchSize;
            const std::size_t last = std::min(first + stretchSize, static_cast<std::size_t>(block.length)) - 1;
            columns.addExtremes(start + static_cast<double>(first) * interval, start + static_cast<double>(last) * interval,
                                least, greatest, block.startsRun && stretch == 0);
        }
    }
}

}  // namespace sgf
