#include "cli/FilterJob.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>

#include "csv/CsvReader.h"
#include "csv/CsvWriter.h"
#include "plot/ChannelTrace.h"
#include "progress/ProgressBar.h"
#include "recording/HostRecording.h"
#include "recording/StagePlan.h"
#include "recording/StageRunner.h"
#include "util/PhaseTimer.h"

namespace sgf {

namespace {

std::string withUnits(const std::string& title, const std::string& units) {
    return units.empty() ? title : fmt::format("{} ({})", title, units);
}

std::string describeStage(const PlannedStage& stage, const ComputedChannel& computed) {
    static constexpr const char* kKinds[] = {"smoothing", "first derivative", "second derivative"};
    const FilterSettings& settings = stage.settings;
    return fmt::format("channel {} \"{}\": {} of channel {}{}, order {}, width {}", computed.channel,
                       withUnits(computed.title, unitsTextOf(computed.scaling)), kKinds[settings.derivative],
                       stage.sourceChannel, settings.computed ? " (computed)" : "", settings.order, settings.width);
}

std::vector<OutputColumn> outputColumns(const refhost::Recording& recording,
                                        const std::vector<ComputedChannel>& computed) {
    std::vector<OutputColumn> columns;
    for (const ComputedChannel& channel : computed) {
        columns.push_back({withUnits(channel.title, unitsTextOf(channel.scaling)), channel.scaling.decimals,
                           unitsConversionOf(channel.scaling),
                           [&recording, number = channel.channel](std::size_t index) {
                               return std::span<const float>(recording.values(refhost::DataKind::computed, number,
                                                                              static_cast<int16_t>(index + 1)));
                           }});
    }
    return columns;
}

// The first stage's source and every stage's output.
std::vector<PlotTrace> plotTraces(const refhost::Recording& recording, const std::vector<PlannedStage>& stages,
                                  const std::vector<ComputedChannel>& computed, const std::vector<double>& times,
                                  const std::vector<PlannedBlock>& blocks) {
    const PlannedStage& first = stages.front();
    const refhost::ChannelDescription& source = recording.channel(first.sourceChannel);
    const sg::ChannelScaling& sourceScaling = first.settings.computed ? source.computedScaling : source.rawScaling;
    std::vector<TracedChannel> traced{{first.settings.computed ? refhost::DataKind::computed : refhost::DataKind::raw,
                                       first.sourceChannel, unitsConversionOf(sourceScaling), source.title,
                                       unitsTextOf(sourceScaling)}};
    for (const ComputedChannel& channel : computed) {
        traced.push_back({refhost::DataKind::computed, channel.channel, unitsConversionOf(channel.scaling),
                          channel.title, unitsTextOf(channel.scaling)});
    }
    std::vector<PlotTrace> traces;
    for (const TracedChannel& channel : traced) traces.push_back(channelTrace(recording, channel, times, blocks));
    return traces;
}

// The module cannot fit a window into a run shorter than the window, and copies such a run as it
// is; the user should know that those samples were not filtered.
void warnAboutShortRuns(const std::vector<PlannedStage>& stages, const RunLayout& layout, const CsvTable& table) {
    for (std::size_t index = 0; index < stages.size(); ++index) {
        const auto width = static_cast<std::size_t>(stages[index].settings.width);
        const auto isShort = [width](const DataRun& run) { return run.rowCount < width; };
        const auto count = std::ranges::count_if(layout.runs, isShort);
        if (count == 0) continue;
        const DataRun& first = *std::ranges::find_if(layout.runs, isShort);
        fmt::print(stderr,
                   "sgfilter: warning: stage {}: {} run{} of data shorter than the window of {} samples {} copied "
                   "unfiltered, the first at time {} s\n",
                   index + 1, count, count == 1 ? "" : "s", width, count == 1 ? "is" : "are",
                   table.times[first.firstRow]);
    }
}

void printSummary(const FilterJob& job, const CsvTable& table, const RunLayout& layout,
                  const std::vector<PlannedBlock>& blocks, const std::vector<PlannedStage>& stages,
                  const std::vector<ComputedChannel>& computed, const PhaseTimer& timer) {
    fmt::print(
        "read {}: {} rows, {} channel{}, {} run{} of data in {} block{} of up to {} samples, "
        "sample interval {:.6g} s\n",
        job.input.string(), table.rowCount(), table.channels.size(), table.channels.size() == 1 ? "" : "s",
        layout.runs.size(), layout.runs.size() == 1 ? "" : "s", blocks.size(), blocks.size() == 1 ? "" : "s",
        job.samplesPerBlock, layout.sampleInterval);
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
    AtomicOutputFile output(job.output);
    std::optional<AtomicOutputFile> plot;
    if (!job.plot.empty()) plot.emplace(job.plot);

    CsvTable table = timer.measure("read", [&] { return readCsv(job.input); });
    const RunLayout layout = splitIntoRuns(table);
    const std::vector<PlannedStage> stages = planStages(job.stages, table);
    const std::vector<PlannedBlock> blocks = planBlocks(layout.runs, job.samplesPerBlock);
    warnAboutShortRuns(stages, layout, table);
    timer.measure("load", [&] { moveIntoHost(table, layout, blocks, host.recording()); });

    std::vector<ComputedChannel> computed;
    timer.measure("filter", [&] {
        for (std::size_t index = 0; index < stages.size(); ++index) {
            progress.startTask(fmt::format("stage {}/{}", index + 1, stages.size()), blocks.size());
            computed.push_back(
                runStage(host, stages[index], [&progress](std::size_t done, std::size_t) { progress.setDone(done); }));
        }
        progress.clear();
    });

    timer.measure("write", [&] {
        writeCsv(output, {table.timeHeader, table.times, table.timeDecimals}, blocks,
                 outputColumns(host.recording(), computed));
    });
    if (plot) {
        timer.measure("plot", [&] {
            writeSvgPlot(*plot, table.timeHeader, plotTraces(host.recording(), stages, computed, table.times, blocks));
        });
    }
    output.commit();
    if (plot) plot->commit();
    if (job.verbose) printSummary(job, table, layout, blocks, stages, computed, timer);
}

}  // namespace sgf
