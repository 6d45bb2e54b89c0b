// make-sample: writes the bundled demonstration recording, or a longer one for load tests.
// The same duration and seed always give the same file.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>

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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a synthetic arterial pressure and ECG recording at 1 kHz as CSV, with one gap."};
    std::filesystem::path output;
    double durationSeconds = 30.0;
    uint32_t seed = 1;
    app.add_option("-o,--output", output, "CSV file to write")->required();
    app.add_option("-d,--duration", durationSeconds, "Length in seconds, the gap included")
        ->check(CLI::Range(1.0, 1.0e6))
        ->capture_default_str();
    app.add_option("--seed", seed, "Seed of the noise and the heart-rate variability")->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    try {
        writeRecording(output, durationSeconds, seed);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-sample: %s\n", error.what());
        return 1;
    }
    return 0;
}
