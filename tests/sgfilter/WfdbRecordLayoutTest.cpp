// WFDB records whose headers lay their samples out in every way a header can, made byte by byte:
// skew, byte offsets, samples not recorded (gaps that split the runs), several signal files,
// signals at two rates, MATLAB-wrapped samples, multi-segment records of fixed and variable
// layout with empty segments, and the files that are missing or short.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"
#include "sgfilter/WfdbBytes.h"
#include "sgfilter/WfdbOpened.h"
#include "util/Errors.h"

namespace sgf::testing {
namespace {

std::vector<std::int32_t> interleaved(const std::vector<std::vector<std::int32_t>>& signals) {
    std::vector<std::int32_t> samples;
    for (std::size_t frame = 0; frame < signals.front().size(); ++frame) {
        for (const auto& signal : signals) samples.push_back(signal[frame]);
    }
    return samples;
}

std::vector<double> asDoubles(const std::vector<std::int32_t>& values) { return {values.begin(), values.end()}; }

std::vector<double> timesOf(const InputRecording& recording, std::size_t rate, std::size_t rows) {
    std::vector<double> times(rows);
    recording.rates().at(rate).times->readTimes(0, times);
    return times;
}

void expectRuns(const InputRecording& recording, const std::vector<std::pair<std::size_t, std::size_t>>& runs) {
    ASSERT_EQ(recording.layout().runs.size(), runs.size());
    for (std::size_t run = 0; run < runs.size(); ++run) {
        EXPECT_EQ(recording.layout().runs[run].firstRow, runs[run].first) << "run " << run;
        EXPECT_EQ(recording.layout().runs[run].rowCount, runs[run].second) << "run " << run;
    }
}

std::string errorOf(const std::filesystem::path& header) {
    try {
        openWfdb(header);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

TEST(WfdbRecordLayout, SkewShiftsASignalByFramesAndByteOffsetSkipsAPrologue) {
    TempFolder folder;
    const std::vector<std::int32_t> first{1, 2, 3, 4, 5, 6}, second{10, 20, 30, 40, 50, 60};
    folder.write("r.dat", std::string("PROLOGUE") + wfdbBytes(16, interleaved({first, second})));
    // The second signal's samples lie two frames later in the file: its frame 0 is the file's frame 2,
    // and its last two frames are past the file's end, so only four frames hold both signals.
    const auto recording = openWfdb(folder.write("r.hea", "r 2 100 6\nr.dat 16+8 200 16 0 0 0 0 a\nr.dat 16:2+8 200 16 0 0 0 0 b\n"));
    EXPECT_EQ(digitalOf(*recording, 0), asDoubles({1, 2, 3, 4}));
    EXPECT_EQ(digitalOf(*recording, 1), asDoubles({30, 40, 50, 60}));
    expectRuns(*recording, {{0, 4}});
    // Read alone, the first signal keeps all its frames.
    EXPECT_EQ(digitalOf(*openWfdb(folder / "r.hea", {1}), 0), asDoubles(first));
}

TEST(WfdbRecordLayout, SamplesNotRecordedAreLeftOutAndSplitTheRuns) {
    TempFolder folder;
    const std::int32_t invalid = wfdbInvalidOf(212);
    const std::vector<std::int32_t> first{1, 2, 3, invalid, invalid, 6, 7, 8}, second{10, 20, 30, 40, 50, 60, invalid, 80};
    folder.write("r.dat", wfdbBytes(212, interleaved({first, second})));
    folder.write("r.hea", "r 2 10 8\nr.dat 212 200 12 0 0 0 0 a\nr.dat 212 200 12 0 0 0 0 b\n");
    const auto both = openWfdb(folder / "r.hea");
    expectRuns(*both, {{0, 3}, {3, 1}, {4, 1}});
    EXPECT_EQ(digitalOf(*both, 0), asDoubles({1, 2, 3, 6, 8}));
    EXPECT_EQ(digitalOf(*both, 1), asDoubles({10, 20, 30, 60, 80}));
    // Each row's time is its frame's.
    EXPECT_EQ(timesOf(*both, 0, 5), (std::vector<double>{0.0, 0.1, 0.2, 0.5, 0.7}));
    EXPECT_EQ(both->description().channels[0].sampleCount, 5u);
    // The runs are those of the channels read.
    const auto second_only = openWfdb(folder / "r.hea", {2});
    expectRuns(*second_only, {{0, 6}, {6, 1}});
    EXPECT_EQ(digitalOf(*second_only, 1), asDoubles({10, 20, 30, 40, 50, 60, 80}));
    EXPECT_FALSE(second_only->channelRates()[0].has_value());
}

TEST(WfdbRecordLayout, MissingGainsUnitsAndBaselinesTakeTheDefaults) {
    TempFolder folder;
    folder.write("r.dat", wfdbBytes(16, {400, 400, 400, 400}));
    const auto recording = openWfdb(folder.write("r.hea", "r 4\nr.dat 16 0 12 200\nr.dat 16 100/uV 12 200 0 0 0 b\n"
                                                             "r.dat 16 50(100) 12 200\nr.dat 16\n"));
    const RecordingDescription& description = recording->description();
    EXPECT_EQ(recording->rates().at(0).sampleInterval, 1.0 / 250);  // the default frequency
    EXPECT_EQ(description.channels[0].label, "signal 1");
    EXPECT_EQ(description.channels[0].units, "mV");
    EXPECT_EQ(description.channels[1].units, "uV");
    EXPECT_NEAR(unitsOf(*recording, 0).at(0), (400 - 200) / 200.0, 1e-12);  // gain 0: 200, baseline: the ADC zero
    EXPECT_NEAR(unitsOf(*recording, 1).at(0), (400 - 200) / 100.0, 1e-12);
    EXPECT_NEAR(unitsOf(*recording, 2).at(0), (400 - 100) / 50.0, 1e-12);
    EXPECT_NEAR(unitsOf(*recording, 3).at(0), 400 / 200.0, 1e-12);
    EXPECT_EQ(description.channels[3].recordedRange->digitalMinimum, -32767);
}

TEST(WfdbRecordLayout, SignalsOfSeveralFilesAndOfTwoRates) {
    TempFolder folder;
    // "a.dat": signal 1 at two samples per frame beside signal 2 at one; "b.dat": signal 3 alone.
    folder.write("a.dat", wfdbBytes(212, {1, 2, 100, 3, 4, 200, 5, 6, 300}));
    folder.write("b.dat", wfdbBytes(61, {-7, -8, -9}));
    folder.write("r.hea", "r 3 50 3\na.dat 212x2 200 12 0 0 0 0 fast\na.dat 212 200 12 0 0 0 0 slow\nb.dat 61 200 16 0 0 0 0 other\n");
    const auto recording = openWfdb(folder / "r.hea");
    EXPECT_EQ(recording->description().channels[0].rate, 100.0);
    EXPECT_EQ(digitalOf(*recording, 0), asDoubles({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(digitalOf(*recording, 1), asDoubles({100, 200, 300}));
    EXPECT_EQ(digitalOf(*recording, 2), asDoubles({-7, -8, -9}));
    // Ticks hold one frame: two samples of the fast signal, one of each other.
    ASSERT_EQ(recording->rates().size(), 2u);
    EXPECT_EQ(recording->rates()[0].samplesPerTick, 2u);
    EXPECT_EQ(recording->rates()[1].samplesPerTick, 1u);
    EXPECT_EQ(recording->channelRates(), (std::vector<std::optional<std::size_t>>{0, 1, 1}));
    EXPECT_DOUBLE_EQ(recording->tickRate(), 50.0);
    expectRuns(*recording, {{0, 3}});
    EXPECT_EQ(timesOf(*recording, 0, 6), (std::vector<double>{0.0, 0.01, 0.02, 0.03, 0.04, 0.05}));
    // The fast signal read alone: a tick is one of its samples.
    const auto fast = openWfdb(folder / "r.hea", {1});
    EXPECT_DOUBLE_EQ(fast->tickRate(), 100.0);
    expectRuns(*fast, {{0, 6}});
}

TEST(WfdbRecordLayout, AMatlabFileHoldsTheSamplesPastItsHeader) {
    TempFolder folder;
    std::size_t headerBytes = 0;
    folder.write("r_m.mat", matLevel4Int16({5, -5, 6, -6, 7, -7}, 2, headerBytes));
    const auto recording = openWfdb(folder.write(
        "r_m.hea", fmt::format("r_m 2 125 3\nr_m.mat 16+{0} 200 16 0 0 0 0 I\nr_m.mat 16+{0} 200 16 0 0 0 0 II\n", headerBytes)));
    EXPECT_EQ(digitalOf(*recording, 0), asDoubles({5, 6, 7}));
    EXPECT_EQ(digitalOf(*recording, 1), asDoubles({-5, -6, -7}));
}

TEST(WfdbRecordLayout, FixedLayoutSegmentsFollowOneAnotherAndAnEmptyOneIsAGap) {
    TempFolder folder;
    folder.write("s1.dat", wfdbBytes(212, {1, 10, 2, 20, 3, 30}));
    folder.write("s1.hea", "s1 2 10 3\ns1.dat 212 200 12 0 0 0 0 a\ns1.dat 212 200 12 0 0 0 0 b\n");
    // The second segment's first signal has twice the gain and another baseline: its values are
    // rescaled to the first segment's, within half a step.
    folder.write("s2.dat", wfdbBytes(212, {111, 40, 113, 50}));
    folder.write("s2.hea", "s2 2 10 2\ns2.dat 212 400(100) 12 0 0 0 0 a\ns2.dat 212 200 12 0 0 0 0 b\n");
    const auto recording = openWfdb(folder.write("r.hea", "r/3 2 10 7\ns1 3\n~ 2\ns2 2\n"));
    expectRuns(*recording, {{0, 3}, {3, 2}});
    const std::vector<double> units = unitsOf(*recording, 0);
    const std::vector<double> expected{1 / 200.0, 2 / 200.0, 3 / 200.0, (111 - 100) / 400.0, (113 - 100) / 400.0};
    ASSERT_EQ(units.size(), expected.size());
    for (std::size_t row = 0; row < units.size(); ++row) EXPECT_NEAR(units[row], expected[row], 0.5 / 200 + 1e-12) << "row " << row;
    EXPECT_EQ(digitalOf(*recording, 1), asDoubles({10, 20, 30, 40, 50}));
    EXPECT_EQ(timesOf(*recording, 0, 5), (std::vector<double>{0.0, 0.1, 0.2, 0.5, 0.6}));
}

TEST(WfdbRecordLayout, ASignalTakesTheWidestFormatItsSegmentsStoreItIn) {
    TempFolder folder;
    folder.write("s1.dat", wfdbBytes(212, {-2000, 2000}));
    folder.write("s1.hea", "s1 1 10 2\ns1.dat 212 200 12 0 0 0 0 a\n");
    folder.write("s2.dat", wfdbBytes(16, {30000, -30000}));
    folder.write("s2.hea", "s2 1 10 2\ns2.dat 16 200 16 0 0 0 0 a\n");
    const auto recording = openWfdb(folder.write("r.hea", "r/2 1 10 4\ns1 2\ns2 2\n"));
    EXPECT_EQ(recording->description().channels[0].storedBits, 16);
    EXPECT_EQ(digitalOf(*recording, 0), asDoubles({-2000, 2000, 30000, -30000}));
}

TEST(WfdbRecordLayout, AnEmptySegmentOfAnyLengthIsPassedWhole) {
    TempFolder folder;
    folder.write("s1.dat", wfdbBytes(16, {1, 2}));
    folder.write("s1.hea", "s1 1 10 2\ns1.dat 16 200 16 0 0 0 0 a\n");
    const auto recording = openWfdb(folder.write("r.hea", "r/3 1 10\ns1 2\n~ 1000000000000\ns1 2\n"));
    expectRuns(*recording, {{0, 2}, {2, 2}});
    EXPECT_EQ(timesOf(*recording, 0, 4), (std::vector<double>{0.0, 0.1, 100000000000.2, 100000000000.3}));
}

TEST(WfdbRecordLayout, AVariableLayoutFindsEachSignalByItsDescription) {
    TempFolder folder;
    folder.write("r_layout.hea", "r_layout 2 10 0\n~ 0 100/mV 12 0 0 0 0 ECG\n~ 0 1/mmHg 12 0 0 0 0 ABP\n");
    folder.write("s1.dat", wfdbBytes(16, {120, 5, 121, 6}));
    folder.write("s1.hea", "s1 2 10 2\ns1.dat 16 1/mmHg 12 0 0 0 0 ABP\ns1.dat 16 100/mV 12 0 0 0 0 ECG\n");
    folder.write("s2.dat", wfdbBytes(16, {14, 16}));
    folder.write("s2.hea", "s2 1 10 2\ns2.dat 16 200/mV 12 0 0 0 0 ECG\n");
    folder.write("r.hea", "r/4 2 10 7\nr_layout 0\ns1 2\n~ 1\ns2 2\n");
    const auto recording = openWfdb(folder / "r.hea");
    EXPECT_EQ(recording->description().channels[0].label, "ECG");
    // Each row holds both signals: the pressure is absent from the second segment, which drops out.
    expectRuns(*recording, {{0, 2}});
    EXPECT_EQ(digitalOf(*recording, 0), asDoubles({5, 6}));
    EXPECT_EQ(digitalOf(*recording, 1), asDoubles({120, 121}));
    // The ECG alone runs through both segments, the second's rescaled to the layout's gain.
    const auto ecg = openWfdb(folder / "r.hea", {1});
    expectRuns(*ecg, {{0, 2}, {2, 2}});
    EXPECT_EQ(digitalOf(*ecg, 0), asDoubles({5, 6, 7, 8}));
    EXPECT_EQ(recording->description().channels[0].storedBits, 16);
}

TEST(WfdbRecordLayout, AMissingOrShortSignalFileIsAnErrorNamingIt) {
    TempFolder folder;
    folder.write("r.hea", "r 1 100 4\nr.dat 212 200 12 0 0 0 0 a\n");
    const std::string missing = errorOf(folder / "r.hea");
    EXPECT_NE(missing.find((folder / "r.dat").string()), std::string::npos) << missing;
    EXPECT_NE(missing.find("cannot open the signal file"), std::string::npos) << missing;
    folder.write("r.dat", wfdbBytes(212, {1, 2, 3}));
    const std::string truncated = errorOf(folder / "r.hea");
    EXPECT_NE(truncated.find((folder / "r.dat").string()), std::string::npos) << truncated;
    EXPECT_NE(truncated.find("truncated: it holds 3 frames"), std::string::npos) << truncated;
    // A segment's file is named as surely.
    folder.write("m.hea", "m/1 1 100 4\nr 4\n");
    EXPECT_NE(errorOf(folder / "m.hea").find((folder / "r.dat").string()), std::string::npos);
}

TEST(WfdbRecordLayout, AMalformedHeaderIsAnErrorNamingItsLine) {
    TempFolder folder;
    folder.write("r.dat", wfdbBytes(16, {1, 2}));
    for (const auto& [header, expected] : std::vector<std::pair<std::string, std::string>>{
             {"r 1 100 2\nr.dat 16 2x0 12\n", "r.hea:2: the gain field has \"x0\""},
             {"r 1 abc 2\nr.dat 16\n", "r.hea:1: sampling frequency \"abc\" is not a number"},
             {"r 2 100 2\nr.dat 16\n", "the record line gives 2 signals, but 1 signal lines follow"},
             {"r 1 100 2\nr.dat 999\n", "storage format 999, which is not read"},
             {"r 1 100 2 10:00:00 31/13/2020\nr.dat 16\n", "base date \"31/13/2020\" is not dd/mm/yyyy"}}) {
        const std::string error = errorOf(folder.write("r.hea", header));
        EXPECT_NE(error.find(expected), std::string::npos) << header << " gave " << error;
    }
}

TEST(WfdbRecordLayout, TheBaseDateAndTimeAreTheStart) {
    TempFolder folder;
    folder.write("r.dat", wfdbBytes(16, {1, 2}));
    const auto dated = openWfdb(folder.write("r.hea", "r 1 100 2 13:05:07.25 24/12/1999\nr.dat 16\n"));
    ASSERT_TRUE(dated->description().start);
    const StartDateTime& start = *dated->description().start;
    EXPECT_EQ(std::vector<int>({start.year, start.month, start.day, start.hour, start.minute, start.second}),
              std::vector<int>({1999, 12, 24, 13, 5, 7}));
    EXPECT_DOUBLE_EQ(start.fraction, 0.25);
    const auto counted = openWfdb(folder.write("r.hea", "r 1 100/200(7) 2 13:05:07\nr.dat 16\n"));
    EXPECT_EQ(counted->description().notes.at(1), "counter frequency 200 Hz, base counter value 7");
    EXPECT_DOUBLE_EQ(counted->tickRate(), 100.0);
    // A time of day alone is no date-time: no start, and a note says so.
    const auto undated = openWfdb(folder.write("r.hea", "r 1 100 2 0:01\nr.dat 16\n"));
    EXPECT_FALSE(undated->description().start);
    ASSERT_FALSE(undated->description().notes.empty());
    EXPECT_NE(undated->description().notes.front().find("base time (0:00:01) but no date"), std::string::npos);
}

}  // namespace
}  // namespace sgf::testing
