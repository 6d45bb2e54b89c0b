// A day-long EDF+D is opened from its annotation signal alone: each record's onset and every note
// come from those few bytes of each record, read many records ahead of need. A recording that
// pauses before its first record, in the middle and before its last, with notes written in
// records across it, gives the same runs, notes and filtered values as the file defines.
#include <gtest/gtest.h>

#include <cmath>

#include "edf/EdfReader.h"
#include "sgfilter/EdfBytes.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "sgfilter/TempFolder.h"
#include "support/LeastSquaresOracle.h"

namespace sgf::testing {
namespace {

// More records than the reader asks for ahead of need, so its look-ahead wraps several times.
constexpr std::size_t kPausingRecords = 1300;
constexpr int kPausingPerRecord = 10;  // 100 Hz in records of 0.1 s
constexpr std::size_t kMiddlePauseBefore = 700;

int breathDigital(std::size_t i) { return static_cast<int>(std::lround(8000.0 * std::sin(0.003 * static_cast<double>(i * i % 9973)))); }

EdfTestFile pausingRecording() {
    EdfTestFile file;
    file.discontinuous = true;
    file.recordDuration = 0.1;
    for (std::size_t record = 0; record < kPausingRecords; ++record) {
        const double pauses = 2.0 + (record >= kMiddlePauseBefore ? 5.0 : 0.0) + (record == kPausingRecords - 1 ? 1.5 : 0.0);
        file.onsets.push_back(pauses + 0.1 * static_cast<double>(record));
    }
    file.signals = {{"Resp", "mV", -3.2768, 3.2767, -32768, 32767, kPausingPerRecord, breathDigital}};
    file.annotations = {{2.0, 0.0, "Recording starts"}};
    file.recordAnnotations = {{5, {2.55, 1.5, "Cough"}},
                              {kMiddlePauseBefore - 1, {71.95, 0.0, "Paused"}},
                              {kPausingRecords - 1, {138.5, 0.25, "Lights on \xc3\xa9t\xc3\xa9"}}};
    return file;
}

TEST(EdfPauses, OnsetsAndNotesFromTheAnnotationSignalGiveEveryPauseAndNote) {
    TempFolder folder;
    const EdfTestFile file = pausingRecording();
    const auto input = folder.write("pausing.edf", file.bytes());
    const EdfReader reader(input, folder.path());
    const RunLayout& layout = reader.layout();
    ASSERT_EQ(layout.runs.size(), 3u);
    const std::vector<std::pair<std::size_t, std::size_t>> runs{
        {0, kMiddlePauseBefore}, {kMiddlePauseBefore, kPausingRecords - 1 - kMiddlePauseBefore}, {kPausingRecords - 1, 1}};
    for (std::size_t run = 0; run < runs.size(); ++run) {
        EXPECT_EQ(layout.runs[run].firstRow, runs[run].first * kPausingPerRecord) << run;
        EXPECT_EQ(layout.runs[run].rowCount, runs[run].second * kPausingPerRecord) << run;
    }
    std::vector<double> times(kPausingRecords * kPausingPerRecord);
    reader.rates().at(0).times->readTimes(0, times);
    for (std::size_t row = 0; row < times.size(); ++row) {
        ASSERT_NEAR(times[row], file.onsets[row / kPausingPerRecord] + 0.01 * static_cast<double>(row % kPausingPerRecord), 1e-9) << row;
    }
    const std::vector<Annotation>& notes = reader.description().annotations;
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].text, "Recording starts");
    for (std::size_t n = 1; n < notes.size(); ++n) {
        const EdfTestAnnotation& written = file.recordAnnotations[n - 1].second;
        EXPECT_EQ(notes[n].text, written.text);
        EXPECT_DOUBLE_EQ(notes[n].onset, written.onset);
        EXPECT_DOUBLE_EQ(notes[n].duration, written.duration);
    }

    // Filtered run by run, with one-sided windows at every pause; the last run, shorter than the
    // window, comes through as it is.
    const ProcessResult result = runSgfilter(
        {"filter", input.string(), "-o", (folder / "out.csv").string(), "--order", "2", "--width", "15"}, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText output = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(output.rows.size(), kPausingRecords * kPausingPerRecord);
    for (const auto& [firstRecord, records] : runs) {
        std::vector<long double> values;
        for (std::size_t row = firstRecord * kPausingPerRecord; row < (firstRecord + records) * kPausingPerRecord; ++row) {
            values.push_back(file.physicalOf(file.signals[0], breathDigital(row)));
        }
        const std::vector<long double> expected = oracle::FilterRun(values, 15, 2, 0);
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const std::vector<std::string>& row = output.rows[firstRecord * kPausingPerRecord + k];
            ASSERT_NEAR(std::stod(row.at(0)), times[firstRecord * kPausingPerRecord + k], 1e-6) << k;
            ASSERT_NEAR(std::stod(row.at(1)), static_cast<double>(expected[k]), 1.5e-4) << firstRecord << " " << k;
        }
    }
}

}  // namespace
}  // namespace sgf::testing
