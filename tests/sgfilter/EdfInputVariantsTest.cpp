// The EDF and BDF files the world writes, each built byte by byte: BioSemi's plain BDF with its
// Status signal, a plain EDF, EDF+ of annotations alone, a start within a second, records of 2 s
// at 487.5 Hz, and UTF-8 and overlapping annotations carried to the output.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sgfilter/EdfBytes.h"
#include "sgfilter/EdflibHeader.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "sgfilter/WrittenEdf.h"

namespace sgf::testing {
namespace {

// BioSemi writes its trigger and status bits as a last 24-bit signal, in a BDF with no annotations.
EdfTestFile bioSemiRecording() {
    EdfTestFile file;
    file.is24Bit = true;
    file.plain = true;
    file.onsets = recordOnsets(4, 1.0);
    file.signals = {{"Fp1", "uV", -262144, 262143, -8388608, 8388607, 256,
                     [](std::size_t i) { return static_cast<int>(std::lround(1e6 * std::sin(0.05 * static_cast<double>(i)))); }},
                    {"Status", "Boolean", -8388608, 8388607, -8388608, 8388607, 256,
                     [](std::size_t i) { return (i / 100) % 2 == 0 ? -7340032 : -7340032 + 17; }}};
    return file;
}

TEST(EdfInputVariants, BioSemisStatusSignalReadsAndFiltersLikeAnyOther) {
    TempFolder folder;
    const EdfTestFile file = bioSemiRecording();
    const auto input = folder.write("biosemi.bdf", file.bytes());
    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* expected : {"2 channels, 1024 samples each at 256 Hz, 1 run of data, 0 annotations", "Status"}) {
        EXPECT_NE(info.out.find(expected), std::string::npos) << expected << " in\n" << info.out;
    }
    const ProcessResult result = runSgfilter({"filter", input.string(), "-o", (folder / "out.csv").string(),
                                              "--keep-sources", "--channel", "Status", "--order", "2", "--width", "5"},
                                             folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The status bits come through whole, kept and smoothed where they do not change.
    const CsvText status = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(status.rows.size(), 1024u);
    EXPECT_EQ(status.header.at(1), "Status (Boolean)");
    for (std::size_t i = 0; i < status.rows.size(); ++i) {
        ASSERT_EQ(std::stod(status.rows[i].at(1)), file.signals[1].digital(i)) << "row " << i;
        if (i % 100 > 2 && i % 100 < 97) {
            ASSERT_NEAR(std::stod(status.rows[i].at(2)), file.signals[1].digital(i), 0.5) << "row " << i;
        }
    }

    // In BDF, the kept signals keep their digital values, and the smoothed status bits, whose
    // module range (the source's full scale) no header can hold, get the range of their values.
    const ProcessResult bdf = runSgfilter({"filter", input.string(), "-o", (folder / "out.bdf").string(),
                                           "--keep-sources", "--channel", "Status", "--order", "2", "--width", "5",
                                           "--then", "--channel", "Fp1", "--order", "3", "--width", "9"},
                                          folder);
    ASSERT_EQ(bdf.exitCode, 0) << bdf.err;
    const WrittenEdf in{file.bytes()};
    const WrittenEdf out{readText(folder / "out.bdf")};
    EXPECT_EQ(out.label(0), "Fp1");
    EXPECT_EQ(out.label(1), "Status");
    EXPECT_EQ(out.sampleBytes(0), in.sampleBytes(0));
    EXPECT_EQ(out.sampleBytes(1), in.sampleBytes(1));
    const std::vector<int> smoothed = out.digitalSamples(2);
    for (std::size_t i = 0; i < smoothed.size(); ++i) {
        ASSERT_NEAR(out.physicalOf(2, smoothed[i]), std::stod(status.rows[i].at(2)), 0.5 * out.resolution(2) + 0.5) << i;
    }

    // In BDF+ the status bits are a signal as any other, and the annotations stay annotations.
    EdfTestFile plus = bioSemiRecording();
    plus.plain = false;
    plus.annotations = {{1.5, 0.0, "Trigger 17"}};
    const auto plusInput = folder.write("plus.bdf", plus.bytes());
    const ProcessResult plusInfo = runSgfilter({"info", plusInput.string()}, folder);
    ASSERT_EQ(plusInfo.exitCode, 0) << plusInfo.err;
    EXPECT_NE(plusInfo.out.find("2 channels, 1024 samples each at 256 Hz, 1 run of data, 1 annotation"), std::string::npos)
        << plusInfo.out;
    const ProcessResult plusCsv = runSgfilter({"filter", plusInput.string(), "-o", (folder / "plus.csv").string(),
                                               "--keep-sources", "--channel", "Status", "--order", "2", "--width", "5"},
                                              folder);
    ASSERT_EQ(plusCsv.exitCode, 0) << plusCsv.err;
    EXPECT_EQ(readText(folder / "plus.csv"), readText(folder / "out.csv"));

    // A plain EDF reads as plainly, with its records one after another.
    EdfTestFile edf = bioSemiRecording();
    edf.is24Bit = false;
    edf.signals[0] = {"EEG", "uV", -3276.8, 3276.7, -32768, 32767, 128, [](std::size_t i) { return 30 * static_cast<int>(i) - 15000; }};
    edf.signals.pop_back();
    const auto plainEdf = folder.write("plain.edf", edf.bytes());
    const ProcessResult csv = runSgfilter({"filter", plainEdf.string(), "-o", (folder / "plain.csv").string(), "--order", "2", "--width", "5"}, folder);
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const CsvText table = parseCsv(readText(folder / "plain.csv"));
    ASSERT_EQ(table.rows.size(), 512u);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        ASSERT_NEAR(std::stod(table.rows[i].at(0)), static_cast<double>(i) / 128.0, 1e-6) << "row " << i;
        ASSERT_NEAR(std::stod(table.rows[i].at(1)), edf.physicalOf(edf.signals[0], edf.signals[0].digital(i)), 0.051) << "row " << i;
    }
}

// The input smoothed into out.edf, read back by EDFlib with its annotations; empty where either fails.
EdflibHeader smoothedIntoEdf(const TempFolder& folder, const std::filesystem::path& input) {
    const ProcessResult result = runSgfilter(
        {"filter", input.string(), "-o", (folder / "out.edf").string(), "--order", "2", "--width", "5"}, folder);
    EdflibHeader header(new edf_hdr_struct{});
    if (result.exitCode != 0 ||
        edfopen_file_readonly((folder / "out.edf").c_str(), header.get(), EDFLIB_READ_ALL_ANNOTATIONS) != 0) {
        ADD_FAILURE() << result.err << " EDFlib error " << header->filetype;
        return nullptr;
    }
    return header;
}

TEST(EdfInputVariants, APlainEdfWithAnAnnotationSignalKeepsItsAnnotationsAndSaysSo) {
    TempFolder folder;
    EdfTestFile file;
    file.reserved = "";
    file.onsets = recordOnsets(4, 1.0);
    file.signals = {{"ECG", "mV", -3.2768, 3.2767, -32768, 32767, 100, [](std::size_t i) { return static_cast<int>(i) * 7 - 1400; }}};
    file.annotations = {{0.5, 1.0, "Arousal"}, {2.25, 0.0, "Lights on"}};
    const auto input = folder.write("plain-annotated.edf", file.bytes());
    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* expected : {"1 channel, 400 samples each at 100 Hz, 1 run of data, 2 annotations",
                                 "signal \"EDF Annotations\" holds annotations"}) {
        EXPECT_NE(info.out.find(expected), std::string::npos) << expected << " in\n" << info.out;
    }
    const EdflibHeader header = smoothedIntoEdf(folder, input);
    ASSERT_TRUE(header) << "not filtered, or not read back";
    ASSERT_EQ(header->annotations_in_file, 2);
    for (int n = 0; n < 2; ++n) {
        edf_annotation_struct annotation{};
        ASSERT_EQ(edf_get_annotation(header->handle, n, &annotation), 0);
        EXPECT_EQ(std::string(annotation.annotation), file.annotations[static_cast<std::size_t>(n)].text) << n;
        EXPECT_NEAR(static_cast<double>(annotation.onset) / EDFLIB_TIME_DIMENSION, file.annotations[static_cast<std::size_t>(n)].onset, 1e-4);
    }
}

// Sleep stages: an EDF+ file with no signals, whose one record lasts 0 s.
EdfTestFile hypnogram() {
    EdfTestFile file;
    file.recordDuration = 0.0;
    file.onsets = {0.0};
    file.annotations = {{0.0, 30.0, "Sleep stage W"}, {30.0, 60.0, "Sleep stage N1"}, {60.0, 30.0, "Arousal \xc3\xa9veil"}};
    return file;
}

TEST(EdfInputVariants, AnEdfPlusOfAnnotationsAloneIsListedAndHasNothingToFilter) {
    TempFolder folder;
    const auto input = folder.write("hypnogram.edf", hypnogram().bytes());
    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("no signals, 3 annotations, started 2021-02-01 10:20:30"), std::string::npos) << info.out;
    const ProcessResult filter = runSgfilter({"filter", input.string(), "-o", (folder / "out.edf").string()}, folder);
    EXPECT_EQ(filter.exitCode, 1);
    EXPECT_NE(filter.err.find("nothing to filter"), std::string::npos) << filter.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.edf"));
}

TEST(EdfInputVariants, ASubSecondStartAndUtf8AndOverlappingAnnotationsReachTheOutput) {
    TempFolder folder;
    EdfTestFile file;
    file.onsets = recordOnsets(6, 1.0);
    for (double& onset : file.onsets) onset += 0.25;
    file.signals = {{"ECG", "mV", -3.2768, 3.2767, -32768, 32767, 100, [](std::size_t i) { return static_cast<int>(i) * 40 - 12000; }}};
    // Overlapping, in UTF-8, and one that BioSig knows by a code of its own: every one and every byte.
    file.annotations = {{1.5, 3.0, "Schlafstadium N2 \xc3\xbc"}, {2.0, 1.0, "Apnoe \xe2\x80\x93 zentral"},
                        {2.5, 30.0, "Sleep stage N2"}};
    const auto input = folder.write("late.edf", file.bytes());
    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("started 2021-02-01 10:20:30.25"), std::string::npos) << info.out;

    const EdflibHeader header = smoothedIntoEdf(folder, input);
    ASSERT_TRUE(header) << "not filtered, or not read back";
    EXPECT_EQ(header->starttime_subsecond, EDFLIB_TIME_DIMENSION / 4);
    ASSERT_EQ(header->annotations_in_file, 3);
    for (int n = 0; n < 3; ++n) {
        edf_annotation_struct annotation{};
        ASSERT_EQ(edf_get_annotation(header->handle, n, &annotation), 0);
        EXPECT_EQ(std::string(annotation.annotation), file.annotations[static_cast<std::size_t>(n)].text) << n;
        EXPECT_NEAR(static_cast<double>(annotation.duration_l) / EDFLIB_TIME_DIMENSION, file.annotations[static_cast<std::size_t>(n)].duration, 1e-4);
    }
}

TEST(EdfInputVariants, RecordsOfTwoSecondsAndHalfASecondAtRatesNotWholePerSecond) {
    TempFolder folder;
    for (const auto& [duration, perRecord] : {std::pair(2.0, 975), std::pair(0.5, 125)}) {
        SCOPED_TRACE(fmt::format("records of {} s with {} samples", duration, perRecord));
        EdfTestFile file;
        file.recordDuration = duration;
        file.onsets = recordOnsets(static_cast<std::size_t>(4.0 / duration), duration);
        file.signals = {{"Resp", "mV", -3.2768, 3.2767, -32768, 32767, perRecord,
                         [](std::size_t i) { return static_cast<int>(std::lround(9000.0 * std::sin(0.01 * static_cast<double>(i)))); }}};
        const auto input = folder.write("in.edf", file.bytes());
        const double rate = perRecord / duration;
        const ProcessResult info = runSgfilter({"info", input.string()}, folder);
        EXPECT_NE(info.out.find(fmt::format("{} samples each at {:g} Hz", 4.0 * rate, rate)), std::string::npos) << info.out;
        for (const char* output : {"out.edf", "out.csv"}) {
            const ProcessResult result = runSgfilter(
                {"filter", input.string(), "-o", (folder / output).string(), "--order", "2", "--width", "5"}, folder);
            ASSERT_EQ(result.exitCode, 0) << result.err;
        }
        const CsvText csv = parseCsv(readText(folder / "out.csv"));
        ASSERT_EQ(csv.rows.size(), static_cast<std::size_t>(4.0 * rate));
        EdflibHeader header(new edf_hdr_struct{});
        ASSERT_EQ(edfopen_file_readonly((folder / "out.edf").c_str(), header.get(), EDFLIB_DO_NOT_READ_ANNOTATIONS), 0);
        const edf_param_struct& signal = header->signalparam[0];
        EXPECT_NEAR(static_cast<double>(signal.smp_in_datarecord) * EDFLIB_TIME_DIMENSION / static_cast<double>(header->datarecord_duration), rate, 1e-9);
        std::vector<double> read(csv.rows.size());
        ASSERT_EQ(edfread_physical_samples(header->handle, 0, static_cast<int>(read.size()), read.data()), static_cast<int>(read.size()));
        const double step = (signal.phys_max - signal.phys_min) / (signal.dig_max - signal.dig_min);
        for (std::size_t i = 0; i < read.size(); ++i) {
            ASSERT_NEAR(std::stod(csv.rows[i].at(0)), static_cast<double>(i) / rate, 1e-6) << "row " << i;
            ASSERT_NEAR(read[i], std::stod(csv.rows[i].at(1)), 0.5 * step + 0.5e-4) << "sample " << i;
        }
    }
}

}  // namespace
}  // namespace sgf::testing
