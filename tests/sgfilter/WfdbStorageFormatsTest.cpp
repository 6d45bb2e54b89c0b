// Each storage format's signal file made byte by byte: the digital values and physical values read
// back, from the start and from samples that begin inside a group of packed samples.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"
#include "sgfilter/WfdbBytes.h"
#include "sgfilter/WfdbOpened.h"

namespace sgf::testing {
namespace {

struct FormatCase {
    int format;
    std::int32_t least, largest;  // of the recorded values
};

// Frames of `signals` signals, sweeping from each format's least recorded value to its largest.
std::vector<std::int32_t> sweep(const FormatCase& format, std::size_t signals, std::size_t frames) {
    std::vector<std::int32_t> samples;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (std::size_t signal = 0; signal < signals; ++signal) {
            const double at = static_cast<double>(frame * signals + signal) / static_cast<double>(frames * signals - 1);
            samples.push_back(static_cast<std::int32_t>(std::llround(format.least + at * (static_cast<double>(format.largest) - format.least))));
        }
    }
    return samples;
}

TEST(WfdbStorageFormats, EveryFormatReadsItsDigitalValuesAndUnits) {
    const std::vector<FormatCase> formats{{16, -32767, 32767},   {61, -32767, 32767},      {80, -127, 127},
                                          {160, -32767, 32767},  {212, -2047, 2047},      {310, -511, 511},
                                          {311, -511, 511},      {24, -8388607, 8388607}, {32, -16777215, 16777215},
                                          {8, -100, 100}};
    for (const FormatCase& format : formats) {
        // Two signals and three: an even and an odd number of samples, so packed formats end mid-group.
        for (const std::size_t signals : {std::size_t{2}, std::size_t{3}}) {
            SCOPED_TRACE(fmt::format("format {}, {} signals", format.format, signals));
            TempFolder folder;
            const std::size_t frames = format.format == 8 ? 201 : 7;
            const std::vector<std::int32_t> samples =
                format.format == 8 ? [&] {
                    std::vector<std::int32_t> slow;
                    for (std::size_t n = 0; n < frames * signals; ++n) slow.push_back(static_cast<std::int32_t>(n / signals) - 100);
                    return slow;
                }()
                                   : sweep(format, signals, frames);
            folder.write("r.dat", wfdbBytes(format.format, samples, signals, -101));
            std::string header = fmt::format("r {} 250 {}\n", signals, frames);
            for (std::size_t signal = 0; signal < signals; ++signal) {
                header += fmt::format("r.dat {} {}(5)/uV 0 3 -101 0 0 s{}\n", format.format, 100 + 50 * signal, signal);
            }
            const auto recording = openWfdb(folder.write("r.hea", header));
            for (std::size_t signal = 0; signal < signals; ++signal) {
                const InputChannel& channel = recording->description().channels.at(signal);
                EXPECT_EQ(channel.units, "uV");
                EXPECT_EQ(channel.label, fmt::format("s{}", signal));
                const double gain = 100.0 + 50.0 * static_cast<double>(signal);
                EXPECT_DOUBLE_EQ(channel.resolution, 1.0 / gain);
                const std::vector<double> digital = digitalOf(*recording, signal);
                const std::vector<double> units = unitsOf(*recording, signal);
                ASSERT_EQ(digital.size(), frames);
                for (std::size_t frame = 0; frame < frames; ++frame) {
                    const std::int32_t expected = samples[frame * signals + signal];
                    ASSERT_EQ(digital[frame], expected) << "frame " << frame;
                    ASSERT_NEAR(units[frame], (expected - 5) / gain, 0.5 / gain) << "frame " << frame;
                }
                // Paging from inside a group of packed samples.
                std::vector<float> tail(frames - 3);
                recording->readStored(signal, 3, tail);
                for (std::size_t frame = 3; frame < frames; ++frame) {
                    ASSERT_EQ(static_cast<double>(tail[frame - 3]) * channel.scaling.baseFactor, samples[frame * signals + signal]);
                }
            }
        }
    }
}

// Format 8's differences add up from the file's start, however far in a stretch begins.
TEST(WfdbStorageFormats, FirstDifferencesReadFromAnywhereInALongFile) {
    TempFolder folder;
    // Changes of -127 to 127, each signal from its initial value (300 and -150).
    std::vector<std::int32_t> values;
    std::string bytes;
    std::int32_t first = 300, second = -150;
    for (int frame = 0; frame < 10007; ++frame) {
        const auto change = static_cast<std::int32_t>(frame * 7919 % 255) - 127;
        first += change;
        second -= change / 2;
        values.insert(values.end(), {first, second});
        bytes.push_back(static_cast<char>(change));
        bytes.push_back(static_cast<char>(-(change / 2)));
    }
    folder.write("r.dat", bytes);
    const auto recording = openWfdb(folder.write("r.hea", "r 2 100 10007\nr.dat 8 200 10 0 300 0 0 a\nr.dat 8 200 10 0 -150 0 0 b\n"));
    for (const std::size_t from : {std::size_t{0}, std::size_t{4095}, std::size_t{4096}, std::size_t{9000}}) {
        for (std::size_t signal = 0; signal < 2; ++signal) {
            std::vector<float> stored(1000);
            recording->readStored(signal, from, stored);
            const double base = recording->description().channels[signal].scaling.baseFactor;
            for (std::size_t n = 0; n < stored.size(); ++n) {
                ASSERT_EQ(static_cast<double>(stored[n]) * base, values[(from + n) * 2 + signal]) << "from " << from << " sample " << n;
            }
        }
    }
}

// A signal of two samples per frame differs from its own sample before, within the frame too.
TEST(WfdbStorageFormats, FirstDifferencesFollowEachSignalThroughItsSamplesPerFrame) {
    TempFolder folder;
    folder.write("r.dat", std::string{2, 2, 5, 3, -4, -10});
    const auto recording = openWfdb(folder.write("r.hea", "r 2 100 2\nr.dat 8x2 200 8 0 8 0 0 a\nr.dat 8 200 8 0 95 0 0 b\n"));
    EXPECT_EQ(digitalOf(*recording, 0), (std::vector<double>{10, 12, 15, 11}));
    EXPECT_EQ(digitalOf(*recording, 1), (std::vector<double>{100, 90}));
}

TEST(WfdbStorageFormats, TheAdcRangeCentredOnItsZeroIsTheRecordedRange) {
    TempFolder folder;
    folder.write("r.dat", wfdbBytes(212, {0, 0, 1, 1}));
    const auto recording = openWfdb(folder.write("r.hea", "r 2 360 2\nr.dat 212 200 11 1024 0 0 0 MLII\nr.dat 212 400(-10) 0 0 0 0 0 V5\n"));
    const InputChannel& narrow = recording->description().channels.at(0);
    ASSERT_TRUE(narrow.recordedRange);
    EXPECT_EQ(narrow.recordedRange->digitalMinimum, 0);
    EXPECT_EQ(narrow.recordedRange->digitalMaximum, 2047);
    EXPECT_DOUBLE_EQ(narrow.recordedRange->physicalMinimum, -1024.0 / 200);
    EXPECT_DOUBLE_EQ(narrow.recordedRange->physicalMaximum, 1023.0 / 200);
    EXPECT_EQ(narrow.storedBits, 12);
    // No resolution: the format's 12 bits, from -2047 (-2048 marks a sample not recorded).
    const InputChannel& wide = recording->description().channels.at(1);
    EXPECT_EQ(wide.recordedRange->digitalMinimum, -2047);
    EXPECT_EQ(wide.recordedRange->digitalMaximum, 2047);
    EXPECT_DOUBLE_EQ(wide.recordedRange->physicalMaximum, 2057.0 / 400);
}

}  // namespace
}  // namespace sgf::testing
