#include "cli/FilterJob.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "cli/EdfOutput.h"
#include "cli/OutputChannels.h"
#include "cli/OutputFormat.h"
#include "csv/CsvWriter.h"
#include "edf/EdfResultWriter.h"
#include "formats/InputFormats.h"
#include "plot/ChannelTrace.h"
#include "progress/ProgressBar.h"
#include "progress/ProgressLines.h"
#include "recording/HostRecording.h"
#include "recording/ResultPass.h"
#include "recording/Scalings.h"
#include "recording/StagePlan.h"
#include "recording/StageRunner.h"
#include "recording/ValueRanges.h"
#include "util/Errors.h"
#include "util/PhaseTimer.h"

namespace sgf {

namespace {

std::string describeStage(const PlannedStage& stage, const ComputedChannel& computed) {
    static constexpr const char* kKinds[] = {"smoothing", "first derivative", "second derivative"};
    const FilterSettings& settings = stage.settings;
    return fmt::format("channel {} \"{}\": {} of channel {}{}, order {}, width {}", computed.channel,
                       withUnits(computed.title, unitsTextOf(computed.scaling)), kKinds[settings.derivative],
                       stage.sourceChannel, settings.computed ? " (computed)" : "", settings.order, settings.width);
}

std::size_t tickCount(const RunLayout& layout) {
    std::size_t ticks = 0;
    for (const DataRun& run : layout.runs) ticks += run.rowCount;
    return ticks;
}

// The first stage's source and every stage's output, each at its own rate.
std::vector<ChannelTrace> plotTraces(const refhost::Recording& recording, const std::vector<PlannedStage>& stages,
                                     const std::vector<ComputedChannel>& computed, const InputRecording& input) {
    const PlannedStage& first = stages.front();
    const refhost::ChannelDescription& source = recording.channel(first.sourceChannel);
    const sg::ChannelScaling& sourceScaling = first.settings.computed ? source.computedScaling : source.rawScaling;
    std::vector<TracedChannel> traced{
        {{first.sourceChannel, first.settings.computed ? refhost::DataKind::computed : refhost::DataKind::raw, first.rate},
         unitsConversionOf(sourceScaling), source.title, unitsTextOf(sourceScaling)}};
    for (std::size_t stage = 0; stage < computed.size(); ++stage) {
        const ComputedChannel& channel = computed[stage];
        traced.push_back({{channel.channel, refhost::DataKind::computed, stages[stage].rate},
                          unitsConversionOf(channel.scaling), channel.title, unitsTextOf(channel.scaling)});
    }
    double firstTime = std::numeric_limits<double>::infinity();
    double lastTime = -firstTime;
    const std::size_t ticks = tickCount(input.layout());
    for (const RowsAtRate& rate : input.rates()) {
        firstTime = std::min(firstTime, rate.times->timeOf(0));
        lastTime = std::max(lastTime, rate.times->timeOf(ticks * rate.samplesPerTick - 1));
    }
    std::vector<ChannelTrace> traces;
    for (TracedChannel& channel : traced) traces.emplace_back(std::move(channel), firstTime, lastTime);
    return traces;
}

// The module cannot fit a window into a run shorter than the window, and copies such a run as it
// is; the user should know that those samples were not filtered.
void warnAboutShortRuns(const std::vector<PlannedStage>& stages, const RunLayout& layout,
                        const std::vector<RowsAtRate>& rates) {
    for (std::size_t index = 0; index < stages.size(); ++index) {
        const RowsAtRate& rate = rates[stages[index].rate];
        const auto width = static_cast<std::size_t>(stages[index].settings.width);
        const auto isShort = [&](const DataRun& run) { return run.rowCount * rate.samplesPerTick < width; };
        const auto count = std::ranges::count_if(layout.runs, isShort);
        if (count == 0) continue;
        const DataRun& first = *std::ranges::find_if(layout.runs, isShort);
        fmt::print(stderr,
                   "sgfilter: warning: stage {}: {} run{} of data shorter than the window of {} samples {} copied "
                   "unfiltered, the first at time {} s\n",
                   index + 1, count, count == 1 ? "" : "s", width, count == 1 ? "is" : "are",
                   rate.times->timeOf(first.firstRow * rate.samplesPerTick));
    }
}

// A CSV table has one time column, so its columns share one rate.
void requireOneRateFor(OutputFormat outputFormat, const std::vector<PlannedStage>& stages,
                       const InputRecording& input) {
    if (outputFormat != OutputFormat::csv || input.rates().size() == 1) return;
    const auto& channels = input.description().channels;
    // A stage at another rate that reads a file channel, as the first stage does.
    const auto other = std::ranges::find_if(
        stages, [](const PlannedStage& stage) { return stage.rate != 0 && !stage.settings.computed; });
    const auto rateText = [&](const PlannedStage& stage) {
        return fmt::format("\"{}\" ({:g} Hz)", channels[static_cast<std::size_t>(stage.sourceChannel - 1)].label,
                           1.0 / input.rates()[stage.rate].sampleInterval);
    };
    throw UsageError(fmt::format("channels {} and {} are recorded at different rates, and a CSV output has one time "
                                 "column; write EDF+ or BDF+ (an output named .edf or .bdf), or filter each rate in a "
                                 "run of its own",
                                 rateText(stages.front()), rateText(*other)));
}

// A recording of annotations alone has no samples to filter.
void requireSignals(const RecordingDescription& description) {
    if (description.channels.empty()) {
        throw InputError(description.file, 0, "holds annotations and no signals: there is nothing to filter");
    }
}

// The temporary files go beside the output, whose folder the user chose for files of this size.
std::filesystem::path scratchFolder(const FilterJob& job) {
    if (job.output == "-") return std::filesystem::temp_directory_path();
    return job.output.has_parent_path() ? job.output.parent_path() : std::filesystem::path(".");
}

void printSummary(const FilterJob& job, const InputRecording& input, const BlockPlan& plan,
                  const std::vector<PlannedStage>& stages, const std::vector<ComputedChannel>& computed,
                  const PhaseTimer& timer) {
    const std::size_t channels = input.description().channels.size();
    const std::size_t runs = input.layout().runs.size();
    const std::size_t blocks = plan.blocksPerRate();
    const std::size_t ticks = tickCount(input.layout());
    const std::vector<RowsAtRate>& rates = input.rates();
    const std::string blocking =
        fmt::format("{} block{} of up to {} samples", blocks, blocks == 1 ? "" : "s", plan.samplesPerBlock);
    if (rates.size() == 1) {
        fmt::print("read {}: {} rows, {} channel{}, {} run{} of data in {}, sample interval {:.6g} s\n",
                   job.input.string(), ticks, channels, channels == 1 ? "" : "s", runs, runs == 1 ? "" : "s", blocking,
                   rates.front().sampleInterval);
    } else {
        std::vector<std::string> rows;
        for (const RowsAtRate& rate : rates) {
            rows.push_back(fmt::format("{} rows at sample interval {:.6g} s", ticks * rate.samplesPerTick, rate.sampleInterval));
        }
        fmt::print("read {}: {} channels, {} run{} of data, at {} rates each in {}: {}\n", job.input.string(), channels,
                   runs, runs == 1 ? "" : "s", rates.size(), blocking, fmt::join(rows, ", "));
    }
    for (std::size_t index = 0; index < stages.size(); ++index) {
        fmt::print("stage {}: {}\n", index + 1, describeStage(stages[index], computed[index]));
    }
    fmt::print("wrote {}\n", job.output.string());
    if (!job.plot.empty()) fmt::print("plotted {}\n", job.plot.string());
    std::string timings;
    for (const auto& [phase, seconds] : timer.phases()) timings += fmt::format("{} {:.3f} s, ", phase, seconds);
    fmt::print("time: {}total {:.3f} s\n", timings, timer.totalSeconds());
}

}  // namespace

void runFilterJob(const FilterJob& job) {
    PhaseTimer timer;
    // Made before the host, so it outlives every call of the host's progress hook.
    ProgressBar progress(ProgressBar::terminalAttached());
    refhost::ReferenceHost host(refhost::HostOptions::forBulkFiltering());
    host.loadModule(job.module);
    if (progress.enabled()) {
        host.setProgressHook([&progress](const refhost::ProgressEvent& event) { progress.onModuleEvent(event); });
    }
    // Both outputs exist (under temporary names) before the work starts, so an unwritable folder
    // shows at once, and both appear together at the end or not at all.
    const OutputFormat outputFormat = outputFormatOf(job.output);
    AtomicOutputFile output(job.output);
    std::optional<AtomicOutputFile> plot;
    if (!job.plot.empty()) plot.emplace(job.plot);

    const std::filesystem::path scratch = scratchFolder(job);
    std::vector<PlannedStage> stages;
    const std::unique_ptr<InputRecording> input = timer.measure("read", [&] {
        const ChannelChoice choose = [&](const RecordingDescription& header) {
            requireSignals(header);
            stages = planStages(job.stages, header);
            std::vector<int> read;
            for (const PlannedStage& stage : stages) {
                if (stage.sourceChannel <= static_cast<int>(header.channels.size())) read.push_back(stage.sourceChannel);
            }
            return read;
        };
        return openRecording(job.input, {scratch, choose, job.annotations});
    });
    const RecordingDescription& description = input->description();
    const RunLayout& layout = input->layout();
    if (layout.runs.empty()) throw InputError(description.file, 0, "holds no data records");
    const std::vector<RowsAtRate>& rates = input->rates();
    assignRates(stages, input->channelRates());
    requireOneRateFor(outputFormat, stages, *input);
    if (outputFormat != OutputFormat::csv) checkEdfOutputFits(*input);
    std::vector<std::size_t> samplesPerTick;
    for (const RowsAtRate& rate : rates) samplesPerTick.push_back(rate.samplesPerTick);
    const BlockPlan plan = planBlocks(layout.runs, job.samplesPerBlock, samplesPerTick);
    warnAboutShortRuns(stages, layout, rates);
    // Each stage's blocks, then the output's.
    ProgressLines lines(job.progressDescriptor);
    lines.start((stages.size() + 1) * plan.blocksPerRate());

    refhost::Recording& recording = host.recording();
    // Enough for the blocks a window reaches on either side of every stage's block, and for one
    // block of each output as the results are written.
    timer.measure("load", [&] { pageInto(recording, *input, plan, scratch, 16 + 2 * stages.size()); });

    std::vector<ComputedChannel> computed;
    timer.measure("filter", [&] {
        for (std::size_t index = 0; index < stages.size(); ++index) {
            progress.startTask(fmt::format("stage {}/{}", index + 1, stages.size()), plan.blocksPerRate());
            computed.push_back(runStage(host, stages[index], plan, [&](std::size_t done, std::size_t) {
                progress.setDone(done);
                lines.advance();
            }));
        }
        progress.clear();
    });

    timer.measure("write", [&] {
        const std::vector<OutputChannel> outputs =
            outputChannelsOf(stages, job.keepSources,
                             {description, input->channelRates()}, computed);
        std::optional<CsvWriter> csv;
        std::optional<EdfResultWriter> edf;
        ResultWriter* writer = nullptr;
        if (outputFormat == OutputFormat::csv) {
            writer = &csv.emplace(output, description.timeHeader, rates.front().timeDecimals, csvColumnsOf(outputs));
        } else {
            std::vector<ValueRange> values;
            for (const OutputChannel& channel : outputs) {
                const UnitsConversion conversion = unitsConversionOf(channel.scaling);
                values.push_back(channel.storedValues ? inUnits(*channel.storedValues, conversion)
                                                      : valueRangeOf(recording, plan, channel.values, conversion));
            }
            EdfOutput edfOutput = edfOutputOf(outputs, values, outputFormat, *input);
            writer = &edf.emplace(output, std::move(edfOutput.contents), std::move(edfOutput.conversions));
        }
        std::vector<ChannelTrace> traces;
        if (plot) traces = plotTraces(recording, stages, computed, *input);
        writeResults(recording, plan, rates, resultChannelsOf(outputs), *writer, traces,
                     [&lines](std::size_t, std::size_t) { lines.advance(); });
        if (plot) {
            std::vector<PlotTrace> finished;
            for (ChannelTrace& trace : traces) finished.push_back(trace.finish());
            writeSvgPlot(*plot, description.timeHeader, finished);
        }
    });
    output.commit();
    if (plot) plot->commit();
    if (job.verbose) printSummary(job, *input, plan, stages, computed, timer);
}

}  // namespace sgf
