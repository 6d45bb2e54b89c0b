// make-sample: writes the bundled demonstration recording, or a longer one for load tests, as CSV,
// EDF+D or BDF+D. The same duration, seed and format always give the same file.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "edf/EdfPlusWriter.h"
#include "io/AtomicOutputFile.h"
#include "io/BufferedWriter.h"
#include "sample/SyntheticPhysiology.h"

namespace {

constexpr int64_t kSamplesPerSecond = 1000;

struct GapMs {
    int64_t first;
    int64_t end;
};

// The recording pauses once, a little after the middle, so it holds two runs of contiguous data.
GapMs gapFor(int64_t durationMs) {
    const int64_t first = durationMs * 55 / 100;
    return {first, first + std::min<int64_t>(2500, durationMs / 10)};
}

void writeRecording(const std::filesystem::path& output, double durationSeconds, uint32_t seed) {
    sgf::AtomicOutputFile file(output);
    sgf::BufferedWriter writer(file);
    sgf::SyntheticPhysiology physiology(durationSeconds, seed);
    const auto durationMs = static_cast<int64_t>(durationSeconds * kSamplesPerSecond);
    const GapMs gap = gapFor(durationMs);

    writer.append("time (s),pressure (mmHg),ecg (mV)\n");
    for (int64_t ms = 0; ms < durationMs; ++ms) {
        if (ms == gap.first) ms = gap.end;
        // Exact decimal times: formatting ms / 1000.0 would print 0.30000000000000004 and the like.
        writer.format("{}.{:03},", ms / kSamplesPerSecond, ms % kSamplesPerSecond);
        const double seconds = static_cast<double>(ms) / kSamplesPerSecond;
        writer.appendFixed(physiology.pressure(seconds), 2);
        writer.append(',');
        writer.appendFixed(physiology.ecg(seconds), 3);
        writer.append('\n');
    }
    writer.flush();
    file.commit();
}

// The same pause rounded out to whole seconds; the channels alternate pressure and ECG.
// EDF and BDF only: when the recording starts, and how many annotations to spread over it.
struct EdfExtras {
    sgf::StartDateTime start{2024, 1, 1, 8, 0, 0};
    int annotations = 0;
};

// "YYYY-MM-DD hh:mm:ss", as `sgfilter info` prints a start.
sgf::StartDateTime startOf(const std::string& text) {
    sgf::StartDateTime start;
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &start.year, &start.month, &start.day, &start.hour,
                    &start.minute, &start.second, &end) != 6 ||
        start.year < 1985 || start.year > 2084 || start.month < 1 || start.month > 12 || start.day < 1 || start.day > 31 ||
        start.hour > 23 || start.minute > 59 || start.second > 59 || start.hour < 0 || start.minute < 0 || start.second < 0) {
        throw std::runtime_error("--start takes \"YYYY-MM-DD hh:mm:ss\" from 1985 to 2084, not \"" + text + "\"");
    }
    return start;
}

// Evenly spaced, each a second long, their texts cycling through a few kinds so a reader can pick
// one kind out.
std::vector<sgf::Annotation> annotationsOver(double durationSeconds, int count) {
    static const char* const kinds[] = {"cuff inflation", "movement", "flush"};
    std::vector<sgf::Annotation> annotations;
    for (int index = 0; index < count; ++index) {
        const double onset = std::floor(durationSeconds * (index + 1) / (count + 1) * 10.0) / 10.0;
        annotations.push_back({onset, 1.0, std::string(kinds[index % 3]) + " " + std::to_string(index + 1)});
    }
    return annotations;
}

void writeEdfRecording(const std::filesystem::path& output, bool is24Bit, double durationSeconds, int channels,
                       uint32_t seed, const EdfExtras& extras) {
    sgf::AtomicOutputFile file(output);
    sgf::SyntheticPhysiology physiology(durationSeconds, seed);
    const auto seconds = static_cast<int64_t>(durationSeconds);
    const GapMs gapMs = gapFor(seconds * kSamplesPerSecond);
    const int64_t gapFirst = gapMs.first / kSamplesPerSecond;
    const int64_t gapEnd = (gapMs.end + kSamplesPerSecond - 1) / kSamplesPerSecond;
    sgf::EdfPlusContents contents;
    contents.is24Bit = is24Bit;
    contents.patientName = "Synthetic";
    contents.equipment = "make-sample";
    contents.start = extras.start;
    contents.annotations = annotationsOver(durationSeconds, extras.annotations);
    contents.tickRate = kSamplesPerSecond;
    contents.runs = {{0.0, static_cast<std::size_t>(gapFirst * kSamplesPerSecond)},
                     {static_cast<double>(gapEnd), static_cast<std::size_t>((seconds - gapEnd) * kSamplesPerSecond)}};
    for (int channel = 0; channel < channels; ++channel) {
        const std::string number = channels > 2 ? std::to_string(channel / 2 + 1) : "";
        const int32_t digitalMaximum = is24Bit ? 8388607 : 32767;
        contents.signals.push_back(channel % 2 == 0
                                       ? sgf::EdfPlusSignal{"pressure" + number, "mmHg", -50.0, 350.0, -digitalMaximum - 1, digitalMaximum}
                                       : sgf::EdfPlusSignal{"ecg" + number, "mV", -5.0, 5.0, -digitalMaximum - 1, digitalMaximum});
    }
    sgf::EdfPlusWriter edf(file, std::move(contents));
    std::vector<std::vector<double>> second(static_cast<std::size_t>(channels),
                                            std::vector<double>(static_cast<std::size_t>(kSamplesPerSecond)));
    const std::vector<std::span<const double>> signals(second.begin(), second.end());
    for (int64_t start = 0; start < seconds; ++start) {
        if (start == gapFirst) start = gapEnd;
        for (int64_t ms = 0; ms < kSamplesPerSecond; ++ms) {
            const double time = static_cast<double>(start * kSamplesPerSecond + ms) / kSamplesPerSecond;
            const double pressure = physiology.pressure(time);
            const double ecg = physiology.ecg(time);
            for (std::size_t channel = 0; channel < second.size(); ++channel) {
                second[channel][static_cast<std::size_t>(ms)] = channel % 2 == 0 ? pressure : ecg;
            }
        }
        edf.write(signals);
    }
    edf.finish();
    file.commit();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a synthetic arterial pressure and ECG recording at 1 kHz as CSV, EDF+ or BDF+, with one gap."};
    std::filesystem::path output;
    double durationSeconds = 30.0;
    uint32_t seed = 1;
    std::string format = "csv";
    int channels = 2;
    app.add_option("-o,--output", output, "File to write")->required();
    app.add_option("--format", format, "csv, edf (EDF+D, 16-bit) or bdf (BDF+D, 24-bit)")
        ->check(CLI::IsMember({"csv", "edf", "bdf"}))
        ->capture_default_str();
    app.add_option("--channels", channels, "EDF and BDF: how many channels, alternately pressure and ECG")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_option("-d,--duration", durationSeconds, "Length in seconds, the gap included")
        ->check(CLI::Range(1.0, 1.0e6))
        ->capture_default_str();
    app.add_option("--seed", seed, "Seed of the noise and the heart-rate variability")->capture_default_str();
    std::string start;
    EdfExtras extras;
    app.add_option("--start", start, "EDF and BDF: when the recording starts, \"YYYY-MM-DD hh:mm:ss\" (2024-01-01 08:00:00)");
    app.add_option("--annotations", extras.annotations, "EDF and BDF: how many annotations to spread over the recording")
        ->check(CLI::Range(0, 10000))
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    try {
        if (format == "csv") {
            writeRecording(output, durationSeconds, seed);
        } else {
            if (!start.empty()) extras.start = startOf(start);
            writeEdfRecording(output, format == "bdf", durationSeconds, channels, seed, extras);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-sample: %s\n", error.what());
        return 1;
    }
    return 0;
}
