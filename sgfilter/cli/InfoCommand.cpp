// sgfilter info: which module sgfilter would use, and what it says about itself; given a
// recording, its channels.
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <memory>

#include "cli/Commands.h"
#include "cli/ModuleOption.h"
#include "csv/CsvReader.h"
#include "edf/EdfReader.h"
#include "edf/RecordingFormat.h"
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

void showRecordingInfo(const std::filesystem::path& file) {
    if (inputFormatOf(file) == RecordingFormat::csv) {
        const CsvSummary summary = readCsvHeader(file);
        fmt::print("{}: CSV, {} channel{}\n", file.string(), summary.channels.size(), summary.channels.size() == 1 ? "" : "s");
        for (std::size_t index = 0; index < summary.channels.size(); ++index) {
            const ChannelColumn& channel = summary.channels[index];
            fmt::print("  {:>3}  {:<16}  {}\n", index + 1, channel.name, channel.units);
        }
        return;
    }
    const EdfRecording recording = EdfReader(file, std::filesystem::temp_directory_path()).recording();
    const CsvSummary& table = recording.table;
    const StartDateTime& start = recording.start;
    // "30" or, where EDF+ gives a fraction, "30.25" (to 100 ns, EDF+'s finest).
    std::string second = fmt::format("{:02}", start.second);
    if (start.fraction > 0) {
        second += fmt::format(".{:07}", std::min(std::llround(start.fraction * 1e7), 9'999'999LL));
        second.erase(second.find_last_not_of('0') + 1);
    }
    const std::string started = fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{}", start.year, start.month, start.day,
                                            start.hour, start.minute, second);
    const std::size_t annotations = recording.annotations.size();
    const std::string annotationCount = fmt::format("{} annotation{}", annotations, annotations == 1 ? "" : "s");
    if (table.channels.empty()) {
        fmt::print("{}: no signals, {}, started {}\n", file.string(), annotationCount, started);
        return;
    }
    std::vector<double> rates = recording.channelRates;
    std::ranges::sort(rates);
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    const std::string length =
        rates.size() == 1
            ? fmt::format("{} samples each at {:g} Hz", recording.recordCount * recording.samplesPerRecord.front(),
                          rates.front())
            : fmt::format("{:g} s each at {:g} Hz", static_cast<double>(recording.recordCount) * recording.recordDuration,
                          fmt::join(rates, " Hz, "));
    fmt::print("{}: {} channel{}, {}, {} run{} of data, {}, started {}\n", file.string(), table.channels.size(),
               table.channels.size() == 1 ? "" : "s", length, recording.runCount, recording.runCount == 1 ? "" : "s",
               annotationCount, started);
    fmt::print("  {:>3}  {:<16}  {:<8}  {:>10}  {:>12}  {:>4}  {}\n", "no.", "label", "units", "rate (Hz)", "samples",
               "runs", "resolution");
    for (std::size_t index = 0; index < table.channels.size(); ++index) {
        const ChannelColumn& channel = table.channels[index];
        const double rate = recording.channelRates[index];
        fmt::print("  {:>3}  {:<16}  {:<8}  {:>10g}  {:>12}  {:>4}  {:g} {}\n", index + 1, channel.name, channel.units,
                   rate, recording.recordCount * recording.samplesPerRecord[index],
                   recording.runCount, static_cast<double>(recording.scalings[index].factor), channel.units);
    }
}

// The same facts as one JSON object, for programs (a cohort workflow choosing channels by label).
// A CSV's header is all that is read, so its rates, samples and runs are null.
void showRecordingInfoJson(const std::filesystem::path& file) {
    nlohmann::ordered_json info;
    info["file"] = file.string();
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    if (inputFormatOf(file) == RecordingFormat::csv) {
        const CsvSummary summary = readCsvHeader(file);
        for (std::size_t index = 0; index < summary.channels.size(); ++index) {
            channels.push_back({{"number", index + 1},
                                {"label", summary.channels[index].name},
                                {"units", summary.channels[index].units},
                                {"rate", nullptr},
                                {"samples", nullptr}});
        }
        info["format"] = "csv";
        info["channels"] = channels;
        info["runs"] = nullptr;
        info["start"] = nullptr;
        info["annotations"] = 0;
    } else {
        const EdfRecording recording = EdfReader(file, std::filesystem::temp_directory_path()).recording();
        for (std::size_t index = 0; index < recording.table.channels.size(); ++index) {
            channels.push_back({{"number", index + 1},
                                {"label", recording.table.channels[index].name},
                                {"units", recording.table.channels[index].units},
                                {"rate", recording.channelRates[index]},
                                {"samples", recording.recordCount * recording.samplesPerRecord[index]}});
        }
        const StartDateTime& start = recording.start;
        info["format"] = inputFormatOf(file) == RecordingFormat::bdf ? "bdf" : "edf";
        info["channels"] = channels;
        info["runs"] = recording.runCount;
        info["start"] = fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", start.year, start.month, start.day,
                                    start.hour, start.minute, start.second);
        info["annotations"] = recording.annotations.size();
    }
    fmt::print("{}\n", info.dump());
}

}  // namespace

void addInfoCommand(CLI::App& application) {
    CLI::App* command = application.add_subcommand("info", "Show the module's name and what it answers about itself");
    auto module = std::make_shared<std::filesystem::path>();
    auto recording = std::make_shared<std::filesystem::path>();
    auto json = std::make_shared<bool>(false);
    addModuleOption(*command, *module);
    command->add_option("recording", *recording, "A recording (CSV, EDF or BDF) whose channels to list instead");
    command->add_flag("--json", *json, "List the recording's channels as one JSON object");
    command->callback([module, recording, json] {
        if (recording->empty()) {
            if (*json) throw UsageError("--json lists a recording's channels: name the recording");
            showModuleInfo(*module);
        } else if (*json) {
            showRecordingInfoJson(*recording);
        } else {
            showRecordingInfo(*recording);
        }
    });
}

}  // namespace sgf
