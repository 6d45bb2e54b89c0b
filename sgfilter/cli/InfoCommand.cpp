// sgfilter info: which module sgfilter would use, and what it says about itself; given a
// recording, its channels.
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <memory>

#include "cli/Commands.h"
#include "cli/AnnotationsOption.h"
#include "cli/ModuleOption.h"
#include "formats/InputFormats.h"
#include "module/entry/ParameterBlocks.h"
#include "refhost/ChannelComputation.h"
#include "util/Errors.h"

namespace sgf {

namespace {

void showModuleInfo(const std::filesystem::path& module) {
    refhost::ReferenceHost host(refhost::HostOptions::forBulkFiltering());
    host.loadModule(module);
    const std::string name = refhost::functionName(host);
    const int32_t version = host.callWithoutBlock(sg::kSelectorVersion);
    const int32_t canUnload = host.callWithoutBlock(sg::kSelectorCanUnload);
    fmt::print("{}\n", name);
    fmt::print("  module file:        {}\n", module.string());
    fmt::print("  interface version:  0x{:08X} (selector 1)\n", static_cast<uint32_t>(version));
    fmt::print("  can be unloaded:    {} (selector 2 answers {})\n", canUnload == 1 ? "yes" : "no", canUnload);
}

// "2021-02-01 10:20:30" or, where the file gives a fraction, "10:20:30.25" (to 100 ns, EDF+'s
// finest).
std::string startText(const StartDateTime& start, char separator) {
    std::string second = fmt::format("{:02}", start.second);
    if (start.fraction > 0) {
        second += fmt::format(".{:07}", std::min(std::llround(start.fraction * 1e7), 9'999'999LL));
        second.erase(second.find_last_not_of('0') + 1);
    }
    return fmt::format("{:04}-{:02}-{:02}{}{:02}:{:02}:{}", start.year, start.month, start.day, separator, start.hour,
                       start.minute, second);
}

std::string plural(std::size_t count, const char* noun) {
    return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

void showRecordingInfo(const InputRecording& input) {
    const RecordingDescription& recording = input.description();
    const std::string annotationCount = plural(recording.annotations.size(), "annotation");
    const std::string started = recording.start ? ", started " + startText(*recording.start, ' ') : "";
    const std::string file = recording.file.string();
    if (recording.channels.empty()) {
        fmt::print("{}: {}, no signals, {}{}\n", file, recording.format, annotationCount, started);
        return;
    }
    std::vector<double> rates;
    for (const InputChannel& channel : recording.channels) rates.push_back(channel.rate);
    std::ranges::sort(rates);
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    const InputChannel& first = recording.channels.front();
    const std::string length =
        rates.size() == 1
            ? fmt::format("{} samples each at {:g} Hz", first.sampleCount, first.rate)
            : fmt::format("{:g} s each at {:g} Hz", static_cast<double>(first.sampleCount) / first.rate,
                          fmt::join(rates, " Hz, "));
    const std::size_t runs = input.layout().runs.size();
    fmt::print("{}: {}, {}, {}, {} of data, {}{}\n", file, recording.format, plural(recording.channels.size(), "channel"),
               length, plural(runs, "run"), annotationCount, started);
    fmt::print("  {:>3}  {:<16}  {:<8}  {:>10}  {:>12}  {:>4}  {}\n", "no.", "label", "units", "rate (Hz)", "samples",
               "runs", "resolution");
    for (std::size_t index = 0; index < recording.channels.size(); ++index) {
        const InputChannel& channel = recording.channels[index];
        const std::string resolution =
            channel.resolution > 0 ? fmt::format("{:g} {}", channel.resolution, channel.units) : std::string("-");
        fmt::print("  {:>3}  {:<16}  {:<8}  {:>10g}  {:>12}  {:>4}  {}\n", index + 1, channel.label, channel.units,
                   channel.rate, channel.sampleCount, runs, resolution);
    }
    for (const std::string& note : recording.notes) fmt::print("  note: {}\n", note);
}

// The same, for programs: one JSON object.
void showRecordingJson(const InputRecording& input) {
    const RecordingDescription& recording = input.description();
    nlohmann::json channels = nlohmann::json::array();
    for (std::size_t index = 0; index < recording.channels.size(); ++index) {
        const InputChannel& channel = recording.channels[index];
        channels.push_back({{"number", index + 1},
                            {"label", channel.label},
                            {"units", channel.units},
                            {"rate", channel.rate},
                            {"samples", channel.sampleCount}});
    }
    const nlohmann::json described{
        {"file", recording.file.string()},
        {"format", recording.format},
        {"channels", channels},
        {"runs", input.layout().runs.size()},
        {"start", recording.start ? nlohmann::json(startText(*recording.start, 'T')) : nlohmann::json()},
        {"annotations", recording.annotations.size()},
        {"notes", recording.notes}};
    fmt::print("{}\n", described.dump());
}

}  // namespace

void addInfoCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand("info", "Show the module's name and what it answers about itself");
    auto module = std::make_shared<std::filesystem::path>();
    auto recording = std::make_shared<std::filesystem::path>();
    auto json = std::make_shared<bool>(false);
    auto annotations = std::make_shared<std::string>();
    addModuleOption(*command, *module);
    addAnnotationsOption(*command, *annotations);
    command->add_option("recording", *recording,
                        fmt::format("A recording ({}) whose channels to list instead", formatNames()));
    command->add_flag("--json", *json, "Describe the recording as one JSON object");
    command->callback([module, recording, json, annotations] {
        if (recording->empty()) {
            if (*json) throw UsageError("--json describes a recording: name the recording");
            showModuleInfo(*module);
            return;
        }
        // Nothing is read for a channel: only what the recording says of itself.
        const std::unique_ptr<InputRecording> input = openRecording(
            *recording, {std::filesystem::temp_directory_path(),
                         [](const RecordingDescription&) { return std::vector<int>{}; }, *annotations});
        if (*json) {
            showRecordingJson(*input);
        } else {
            showRecordingInfo(*input);
        }
    });
}

}  // namespace sgf
