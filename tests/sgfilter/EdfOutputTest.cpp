// sgfilter's EDF+ and BDF+ outputs read back: a CSV whose time column jumps becomes BDF+D with the
// jump in its records' onsets, and a continuous output opens in EDFlib, a reader independent of
// our writer, with its header, values and every annotation.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "sgfilter/EdfBytes.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "sgfilter/EdflibHeader.h"
#include "sgfilter/WrittenEdf.h"

namespace sgf::testing {
namespace {

TEST(EdfOutput, RunsThatNoRecordSizeFitsAreRefusedWithNoOutput) {
    TempFolder folder;
    // Seven samples 3 µs apart: neither one sample nor seven last a whole number of 10 µs.
    std::string csv = "time (s),a (V)\n";
    for (int row = 0; row < 7; ++row) csv += fmt::format("{:.6f},{}\n", row * 0.000003, row % 3);
    const auto input = folder.write("in.csv", csv);
    const ProcessResult result =
        runSgfilter({"filter", input.string(), "-o", (folder / "out.edf").string(), "--width", "5"}, folder);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("cannot be cut into whole EDF data records"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.edf"));
}

TEST(EdfOutput, ACsvWhoseTimeJumpsIsWrittenAsBdfPlusDCountedFromItsFirstRow) {
    TempFolder folder;
    // 1 kHz from 2 s to 5 s and from 7 s to 9 s.
    const SyntheticRecording recording{"time (s),a (V)", 0.001, {{2000, 3000}, {7000, 2000}}, 4,
                                       [](double t) { return 2.0 * std::sin(3.0 * t) + 0.5; }};
    const auto input = folder.write("in.csv", recording.csv());
    for (const char* output : {"out.bdf", "out.csv"}) {
        const ProcessResult result = runSgfilter(
            {"filter", input.string(), "-o", (folder / output).string(), "--order", "3", "--width", "11"}, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    const WrittenEdf bdf{readText(folder / "out.bdf")};
    EXPECT_EQ(bdf.kind(), "BDF+D");
    EXPECT_EQ(bdf.recordDuration(), "1");
    ASSERT_EQ(bdf.recordCount(), 5u);
    const std::vector<double> onsets{0, 1, 2, 5, 6};
    for (std::size_t record = 0; record < onsets.size(); ++record) {
        EXPECT_EQ(bdf.tals(record).at(0).onset, onsets[record]) << "record " << record;
    }
    const std::vector<double> filtered = parseCsv(readText(folder / "out.csv")).column(1);
    const std::vector<int> written = bdf.digitalSamples(0);
    ASSERT_EQ(written.size(), filtered.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        ASSERT_NEAR(bdf.physicalOf(0, written[i]), filtered[i], 0.51 * bdf.resolution(0) + 0.51e-4) << "sample " << i;
    }
}


// Every annotation in the input's first half second, more than one record's room of a few dozen bytes.
std::vector<EdfTestAnnotation> manyAnnotations() {
    std::vector<EdfTestAnnotation> annotations;
    for (int n = 0; n < 30; ++n) annotations.push_back({0.01 * n, n % 3 == 0 ? 0.0 : 0.5, fmt::format("Event {}", n)});
    annotations.push_back({4.5, 1.5, "Stadium W \xc3\xbc"});
    return annotations;
}

TEST(EdfOutput, AContinuousOutputReadsBackInEdflibWithItsHeaderValuesAndEveryAnnotation) {
    TempFolder folder;
    EdfTestFile file;
    file.recordDuration = 0.5;
    file.onsets = recordOnsets(12, 0.5);
    file.signals = {{"BP", "mmHg", -100, 300, -2048, 2047, 50, [](std::size_t i) { return -2000 + 3 * static_cast<int>(i); }}};
    file.annotations = manyAnnotations();
    const auto input = folder.write("in.edf", file.bytes());
    const ProcessResult result = runSgfilter({"filter", input.string(), "-o", (folder / "out.edf").string(),
                                              "--keep-sources", "--order", "2", "--width", "9"},
                                             folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;

    EdflibHeader header(new edf_hdr_struct{});
    ASSERT_EQ(edfopen_file_readonly((folder / "out.edf").c_str(), header.get(), EDFLIB_READ_ALL_ANNOTATIONS), 0)
        << "EDFlib error " << header->filetype;
    EXPECT_EQ(header->filetype, EDFLIB_FILETYPE_EDFPLUS);
    ASSERT_EQ(header->edfsignals, 2);
    EXPECT_EQ(header->datarecord_duration, EDFLIB_TIME_DIMENSION);  // 600 samples at 100 Hz: records of 1 s
    EXPECT_EQ(header->datarecords_in_file, 6);
    EXPECT_EQ(fmt::format("{}-{}-{} {}:{}:{}", header->startdate_year, header->startdate_month, header->startdate_day,
                          header->starttime_hour, header->starttime_minute, header->starttime_second),
              "2021-2-1 10:20:30");
    const edf_param_struct& source = header->signalparam[0];
    const edf_param_struct& smoothed = header->signalparam[1];
    EXPECT_STREQ(smoothed.label, "SG BP           ");
    EXPECT_STREQ(smoothed.physdimension, "mmHg    ");
    // The kept source keeps the input's range; the computed signal has the format's full one.
    EXPECT_EQ(std::tuple(source.phys_min, source.phys_max, source.dig_min, source.dig_max), std::tuple(-100.0, 300.0, -2048, 2047));
    EXPECT_EQ(std::pair(smoothed.dig_min, smoothed.dig_max), std::pair(-32768, 32767));

    // A quadratic fit passes a straight line unchanged.
    std::vector<double> kept(600), filtered(600);
    ASSERT_EQ(edfread_physical_samples(header->handle, 0, 600, kept.data()), 600);
    ASSERT_EQ(edfread_physical_samples(header->handle, 1, 600, filtered.data()), 600);
    const double step = (smoothed.phys_max - smoothed.phys_min) / 65535.0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const double recorded = file.physicalOf(file.signals[0], file.signals[0].digital(i));
        ASSERT_NEAR(kept[i], recorded, 1e-9) << "sample " << i;
        ASSERT_NEAR(filtered[i], recorded, 0.51 * step) << "sample " << i;
    }

    const std::vector<EdfTestAnnotation> expected = manyAnnotations();
    ASSERT_EQ(header->annotations_in_file, static_cast<long long>(expected.size()));
    for (std::size_t n = 0; n < expected.size(); ++n) {
        edf_annotation_struct annotation{};
        ASSERT_EQ(edf_get_annotation(header->handle, static_cast<int>(n), &annotation), 0);
        // BioSig gives the input's times to 1/2^32 of a day.
        EXPECT_NEAR(static_cast<double>(annotation.onset) / EDFLIB_TIME_DIMENSION, expected[n].onset, 1e-4) << n;
        EXPECT_EQ(annotation.duration_l < 0, expected[n].duration == 0.0) << n;
        if (expected[n].duration > 0) {
            EXPECT_NEAR(static_cast<double>(annotation.duration_l) / EDFLIB_TIME_DIMENSION, expected[n].duration, 1e-4) << n;
        }
        EXPECT_EQ(std::string(annotation.annotation), expected[n].text) << n;
    }
    // Thirty annotations in the first second alone: the annotation signal grew to hold them.
    EXPECT_EQ(WrittenEdf{readText(folder / "out.edf")}.tals(0).size(), 31u);
}

TEST(EdfOutput, OutputsOfOneSourceHaveLabelsThatTellThemApartAndSayHowTheyWereMade) {
    TempFolder folder;
    EdfTestFile file;
    file.onsets = recordOnsets(4, 1.0);
    file.signals = {{"ECG lead II long", "mV", -3.2768, 3.2767, -32768, 32767, 100,
                     [](std::size_t i) { return static_cast<int>(std::lround(9000.0 * std::sin(0.1 * static_cast<double>(i)))); }}};
    const auto input = folder.write("in.edf", file.bytes());
    const ProcessResult result = runSgfilter(
        {"filter", input.string(), "-o", (folder / "out.edf").string(), "--keep-sources", "--channel", "1", "--width", "5",
         "--then", "--channel", "1", "--width", "9", "--then", "--channel", "1", "--derivative", "1", "--order", "3",
         "--width", "7", "--then", "--channel", "2", "--computed", "--derivative", "2", "--order", "4", "--width", "11"},
        folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EdflibHeader header(new edf_hdr_struct{});
    ASSERT_EQ(edfopen_file_readonly((folder / "out.edf").c_str(), header.get(), EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
        << "EDFlib error " << header->filetype;
    ASSERT_EQ(header->edfsignals, 5);
    const auto trimmed = [](const char* field) {
        std::string text = field;
        return text.erase(text.find_last_not_of(' ') + 1);
    };
    std::vector<std::string> labels, prefilters;
    for (int signal = 0; signal < 5; ++signal) {
        labels.push_back(trimmed(header->signalparam[signal].label));
        prefilters.push_back(trimmed(header->signalparam[signal].prefilter));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"ECG lead II long", "SG ECG lead II l", "SG ECG lead II 2", "SG d/dt ECG lead",
                                                "SG d2/dt2 ECG le"}));
    EXPECT_EQ(prefilters, (std::vector<std::string>{"", "Savitzky-Golay smoothing, order 2, width 5, of ECG lead II long",
                                                    "Savitzky-Golay smoothing, order 2, width 9, of ECG lead II long",
                                                    "Savitzky-Golay first derivative, order 3, width 7, of ECG lead II long",
                                                    "Savitzky-Golay second derivative, order 4, width 11, of SG ECG lead II l"}));
}

}  // namespace
}  // namespace sgf::testing
