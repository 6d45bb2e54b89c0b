#include "cli/SettingsJob.h"

#include <fmt/format.h>

#include <iostream>
#include <stdexcept>

#include "cli/TerminalDialog.h"
#include "formats/InputFormats.h"
#include "recording/ApplySettings.h"
#include "refhost/ChannelComputation.h"
#include "stagesettings/ReportedSettings.h"
#include "stagesettings/SettingsFile.h"
#include "stagesettings/SettingsFileWriter.h"
#include "util/Errors.h"

namespace sgf {

namespace {

// Channels numbered as `filter` numbers them: the recording's columns, then the output of each
// stage, so the filter of stage k of a recording with n channels is the one of channel n + k.
std::vector<std::string> channelNames(const SettingsJob& job) {
    std::vector<std::string> names;
    if (!job.input.empty()) {
        const std::unique_ptr<InputRecording> input =
            openRecording(job.input, {std::filesystem::temp_directory_path(),
                                      [](const RecordingDescription&) { return std::vector<int>{}; }, ""});
        for (const InputChannel& channel : input->description().channels) names.push_back(channel.label);
    }
    const std::size_t fileChannels = names.size();
    while (names.size() < static_cast<std::size_t>(job.channel)) {
        names.push_back(job.input.empty() ? fmt::format("Channel {}", names.size() + 1)
                                          : fmt::format("output of stage {}", names.size() + 1 - fileChannels));
    }
    return names;
}

std::string channelListing(const refhost::Recording& recording) {
    std::string text = "the channels are";
    for (int16_t channel = 1; channel <= recording.channelCount(); ++channel) {
        text += fmt::format("{} {} \"{}\"", channel == 1 ? "" : ",", channel, recording.channel(channel).name);
    }
    return text;
}

int16_t sourceChannelOf(const std::filesystem::path& file, const std::string& reference,
                        const refhost::Recording& recording) {
    std::vector<int16_t> matches;
    for (int16_t channel = 1; channel <= recording.channelCount(); ++channel) {
        if (reference == std::to_string(channel) || reference == recording.channel(channel).name) {
            matches.push_back(channel);
        }
    }
    if (matches.size() == 1) return matches.front();
    if (matches.empty())
        throw InputError(file, 0, fmt::format("no channel \"{}\"; {}", reference, channelListing(recording)));
    throw InputError(file, 0,
                     fmt::format("channel \"{}\" matches channels {}; give the channel's number", reference,
                                 fmt::join(matches, " and ")));
}

// The dialog opens with the file's settings, handed to the instance as a host hands over saved
// settings: one parameter at a time, the source before the flag that depends on it.
void applySettingsFrom(const std::filesystem::path& file, refhost::ChannelComputation& computation,
                       const refhost::Recording& recording) {
    FilterSettings settings;
    applySettingsFile(file, settings);
    std::optional<int16_t> source;
    if (!settings.channel.empty()) source = sourceChannelOf(file, settings.channel, recording);
    applySettings(computation, source, settings);
}

std::shared_ptr<refhost::DialogDriver> driverFor(const SettingsJob& job) {
    if (job.script) return std::make_shared<refhost::ScriptedDialog>(*job.script);
    return std::make_shared<TerminalDialog>(std::cin, std::cout);
}

// Whatever the module did wrong, its reports cannot be trusted.
void requireWellBehaved(refhost::ReferenceHost& host) {
    const auto& entries = host.misbehaviour().entries();
    if (entries.empty()) return;
    std::string text = "the module misbehaved in its settings dialog; nothing saved:";
    for (const std::string& entry : entries) text += "\n  " + entry;
    throw std::runtime_error(text);
}

std::string moduleErrors(refhost::ReferenceHost& host) {
    std::string text;
    for (const std::string& message : host.records().errorMessages) text += "\n  " + message;
    return text;
}

}  // namespace

void runSettingsJob(const SettingsJob& job) {
    const std::filesystem::path folder = job.settingsFile.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder)) {
        throw UsageError(
            fmt::format("--settings {}: there is no folder {}", job.settingsFile.string(), folder.string()));
    }
    const std::vector<std::string> names = channelNames(job);

    refhost::ReferenceHost host(refhost::HostOptions::forBulkFiltering());
    host.loadModule(job.module);
    for (const std::string& name : names) host.recording().addChannel({name, name, {}, {}});
    auto computation = refhost::ChannelComputation::create(host, job.channel);
    if (!computation)
        throw std::runtime_error(fmt::format("the module could not create the filter of channel {}", job.channel));
    if (std::filesystem::exists(job.settingsFile)) applySettingsFrom(job.settingsFile, *computation, host.recording());

    host.dialogs().setDriver(driverFor(job));
    sg::InstanceChannelBlock block{computation->instance(), job.channel, 0};
    const int32_t kept = host.call(sg::kSelectorRunSettingsDialog, block);
    requireWellBehaved(host);

    const auto& reports = host.records().parameterReports;
    if (reports.empty()) {
        if (host.dialogs().records().modalWaits == 0) {
            throw std::runtime_error("the module did not open its settings dialog" + moduleErrors(host));
        }
        fmt::print("cancelled, nothing saved\n");
        return;
    }
    if (kept == 0) {
        throw std::runtime_error(
            "the module did not keep the settings confirmed with OK (it answered 0); nothing saved" +
            moduleErrors(host));
    }
    const FilterSettings settings = reportedSettings(reports, job.channel);
    requireHeldByChannel(settings, **(*computation->instance())->settings);
    writeSettingsFile(job.settingsFile, settings);
    fmt::print("saved {}: {}\n", job.settingsFile.string(), describeSettings(settings));
}

}  // namespace sgf
