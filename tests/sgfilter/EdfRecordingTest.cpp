// sgfilter on EDF and BDF recordings built byte by byte: the header's channels, scaling and runs
// reach the filter as the file defines them, a discontinuous recording filters as the same data
// in CSV does, EDF+ and BDF+ outputs keep the values within their resolution with the input's
// start and annotations, and damaged files are refused without output.
#include <gtest/gtest.h>

#include <cmath>

#include "sgfilter/EdfBytes.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "sgfilter/WrittenEdf.h"

namespace sgf::testing {
namespace {

constexpr std::size_t kRecords = 12;
constexpr int kPerRecord = 50;  // 100 Hz in records of 0.5 s
constexpr std::size_t kPauseBefore = 6;
constexpr std::size_t kSamples = kRecords * kPerRecord;
constexpr std::size_t kFirstAfterPause = kPauseBefore * kPerRecord;

// Straight lines on either side of the pause, far apart: a window reaching across it would bend them.
int ecgDigital(std::size_t i) { return i < kFirstAfterPause ? -20000 + 37 * static_cast<int>(i) : 15000 - 11 * static_cast<int>(i); }
int pressureDigital(std::size_t i) { return -2000 + static_cast<int>(i); }
int wavyDigital(std::size_t i) {
    return static_cast<int>(std::lround(8000.0 * std::sin(0.07 * static_cast<double>(i)))) + static_cast<int>((i * 7919) % 301);
}

EdfTestFile pausedRecording() {
    EdfTestFile file;
    file.discontinuous = true;
    file.recordDuration = 0.5;
    file.onsets = recordOnsets(kRecords, 0.5, kPauseBefore, 3.0);
    file.signals = {{"ECG", "mV", -3.2768, 3.2767, -32768, 32767, kPerRecord, ecgDigital},
                    {"BP", "mmHg", -100, 300, -2048, 2047, kPerRecord, pressureDigital}};
    file.annotations = {{0.25, 0.1, "Beat"}};
    return file;
}

double timeOfSample(std::size_t i) { return static_cast<double>(i) * 0.01 + (i >= kFirstAfterPause ? 3.0 : 0.0); }

TEST(EdfRecording, HeaderScalingAndRunsReachTheFilterAsTheFileDefinesThem) {
    TempFolder folder;
    const EdfTestFile file = pausedRecording();
    const auto input = folder.write("paused.edf", file.bytes());

    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* expected : {"2 channels, 600 samples each at 100 Hz, 2 runs of data, 1 annotation",
                                 "started 2021-02-01 10:20:30", "ECG", "mV", "BP", "mmHg"}) {
        EXPECT_NE(info.out.find(expected), std::string::npos) << expected << " in\n" << info.out;
    }

    // A quadratic fit passes straight lines unchanged, so each output is its source in units.
    const ProcessResult result =
        runSgfilter({"filter", input.string(), "-o", (folder / "out.csv").string(), "--channel", "ECG", "--order", "2",
                     "--width", "7", "--then", "--channel", "2", "--order", "2", "--width", "7"},
                    folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText csv = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(csv.rows.size(), kSamples);
    EXPECT_NE(csv.header.at(1).find("(mV)"), std::string::npos);
    EXPECT_NE(csv.header.at(2).find("(mmHg)"), std::string::npos);
    // The decimals follow one digital step: 0.0001 mV and 0.098 mmHg.
    EXPECT_EQ(decimalsOf(csv.rows.front().at(1)), 4);
    EXPECT_EQ(decimalsOf(csv.rows.front().at(2)), 2);
    for (std::size_t i = 0; i < kSamples; ++i) {
        const auto& row = csv.rows[i];
        ASSERT_NEAR(std::stod(row.at(0)), timeOfSample(i), 1e-9) << "row " << i;
        ASSERT_NEAR(std::stod(row.at(1)), file.physicalOf(file.signals[0], ecgDigital(i)), 0.6e-4) << "row " << i;
        ASSERT_NEAR(std::stod(row.at(2)), file.physicalOf(file.signals[1], pressureDigital(i)), 0.006) << "row " << i;
    }
}

TEST(EdfRecording, ADiscontinuousRecordingFiltersAsTheSameDataInCsv) {
    TempFolder folder;
    EdfTestFile file = pausedRecording();
    file.is24Bit = true;  // BDF+D: the same layout with 3-byte samples
    file.signals[0].digital = wavyDigital;
    const auto edfInput = folder.write("paused.bdf", file.bytes());
    std::string csvText = "time (s),ECG (mV),BP (mmHg)\n";
    for (std::size_t i = 0; i < kSamples; ++i) {
        csvText += fmt::format("{:.2f},{:.4f},{:.6f}\n", timeOfSample(i), file.physicalOf(file.signals[0], wavyDigital(i)),
                               file.physicalOf(file.signals[1], pressureDigital(i)));
    }
    const auto csvInput = folder.write("paused.csv", csvText);

    const std::vector<std::string> stages{"--channel", "1", "--order", "3", "--width", "11",
                                          "--then", "--derivative", "1", "--order", "3", "--width", "11"};
    std::vector<CsvText> outputs;
    for (const auto& input : {edfInput, csvInput}) {
        std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / "out.csv").string()};
        arguments.insert(arguments.end(), stages.begin(), stages.end());
        const ProcessResult result = runSgfilter(arguments, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        outputs.push_back(parseCsv(readText(folder / "out.csv")));
    }
    ASSERT_EQ(outputs[0].rows.size(), outputs[1].rows.size());
    for (std::size_t column = 0; column < 3; ++column) {
        const std::vector<double> fromEdf = outputs[0].column(column);
        const std::vector<double> fromCsv = outputs[1].column(column);
        // Each is written to the decimals of its own scaling; they agree to the coarser of the two.
        const int decimals = std::min(decimalsOf(outputs[0].rows.front().at(column)), decimalsOf(outputs[1].rows.front().at(column)));
        const double step = std::pow(10.0, -decimals);
        for (std::size_t i = 0; i < fromEdf.size(); ++i) {
            ASSERT_NEAR(fromEdf[i], fromCsv[i], 1.01 * step) << "column " << column << " row " << i;
        }
    }
}

TEST(EdfRecording, StandardInputAndBlocksAcrossDataRecordsGiveTheSameOutput) {
    TempFolder folder;
    const auto input = folder.write("paused.edf", pausedRecording().bytes());
    const std::vector<std::string> stages{"--channel", "BP", "--order", "4", "--width", "15",
                                          "--then", "--derivative", "2", "--order", "4", "--width", "15"};
    const auto filtered = [&](const std::string& from, std::vector<std::string> options) {
        std::vector<std::string> arguments{"filter", from, "-o", "-"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), stages.begin(), stages.end());
        const ProcessResult result = runSgfilter(arguments, folder, from == "-" ? input : std::filesystem::path("/dev/null"));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    };
    const std::string whole = filtered(input.string(), {});
    ASSERT_FALSE(whole.empty());
    // Blocks of 7 samples begin and end inside the data records of 50.
    EXPECT_EQ(filtered(input.string(), {"--block-size", "7"}), whole);
    EXPECT_EQ(filtered("-", {}), whole);

    // A damaged recording on standard input is refused as a file is.
    folder.write("cut.edf", pausedRecording().bytes().substr(0, 1500));
    const ProcessResult cut = runSgfilter({"filter", "-", "-o", (folder / "out.csv").string()}, folder, folder / "cut.edf");
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.err.find("-: the data records are cut short"), std::string::npos) << cut.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.csv"));
}

TEST(EdfRecording, EachSignalIsFilteredAtItsOwnRateAloneOrBesideSignalsAtOthers) {
    TempFolder folder;
    EdfTestFile file = pausedRecording();
    // 20 Hz beside the 100 Hz ECG: a straight line on either side of the pause, within its digital range.
    constexpr int kSlowPerRecord = 10;
    const auto slowDigital = [](std::size_t i) { return i < kPauseBefore * kSlowPerRecord ? 100 + 3 * static_cast<int>(i) : -15 * static_cast<int>(i); };
    file.signals[1] = {"Resp", "l/s", -2, 2, -2000, 2000, kSlowPerRecord, slowDigital};
    const auto input = folder.write("rates.edf", file.bytes());

    const ProcessResult info = runSgfilter({"info", input.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("2 channels, 6 s each at 20 Hz, 100 Hz, 2 runs of data"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("        20           120"), std::string::npos) << info.out;

    const ProcessResult result = runSgfilter(
        {"filter", input.string(), "-o", (folder / "out.csv").string(), "--channel", "Resp", "--order", "2", "--width", "5"},
        folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText csv = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(csv.rows.size(), kRecords * kSlowPerRecord);
    for (std::size_t i = 0; i < csv.rows.size(); ++i) {
        const double time = static_cast<double>(i) * 0.05 + (i >= kPauseBefore * kSlowPerRecord ? 3.0 : 0.0);
        ASSERT_NEAR(std::stod(csv.rows[i].at(0)), time, 1e-9) << "row " << i;
        ASSERT_NEAR(std::stod(csv.rows[i].at(1)), file.physicalOf(file.signals[1], slowDigital(i)), 0.0011) << "row " << i;
    }

    // Both rates in one run: each output signal holds the very samples the same stages give at its
    // rate alone, in records of 100 and 20 samples over the same second.
    const auto filtered = [&](const std::string& output, std::vector<std::string> stages) {
        std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / output).string()};
        arguments.insert(arguments.end(), stages.begin(), stages.end());
        const ProcessResult run = runSgfilter(arguments, folder);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run;
    };
    const std::vector<std::string> ecg{"--channel", "ECG", "--order", "2", "--width", "7"};
    const std::vector<std::string> resp{"--channel", "Resp", "--order", "2", "--width", "5", "--then",
                                        "--derivative", "1", "--order", "2", "--width", "5"};
    // The derivative reads the output of the stage before it, channel 4.
    const std::vector<std::string> both{
        "--plot", (folder / "both.svg").string(), "--verbose", "--keep-sources", "--channel", "ECG", "--order", "2", "--width", "7",
        "--then", "--channel", "Resp", "--order", "2", "--width", "5", "--then", "--channel", "4", "--computed",
        "--derivative", "1", "--order", "2", "--width", "5"};
    const ProcessResult together = filtered("both.edf", both);
    EXPECT_NE(together.out.find("at 2 rates each in 2 blocks of up to 32765 samples: 600 rows at sample interval 0.01 s, "
                                "120 rows at sample interval 0.05 s"),
              std::string::npos)
        << together.out;
    EXPECT_TRUE(std::filesystem::exists(folder / "both.svg"));
    filtered("ecg.edf", ecg);
    filtered("resp.edf", resp);
    const WrittenEdf mixed{readText(folder / "both.edf")};
    const WrittenEdf alone[] = {WrittenEdf{readText(folder / "ecg.edf")}, WrittenEdf{readText(folder / "resp.edf")}};
    EXPECT_EQ(mixed.kind(), "EDF+D");
    EXPECT_EQ(mixed.recordDuration(), "1");
    // The kept sources first, each at its own rate with the input's digital values, then the outputs.
    const std::vector<std::size_t> perRecord{100, 20, 100, 20, 20};
    for (std::size_t signal = 0; signal < perRecord.size(); ++signal) {
        EXPECT_EQ(mixed.samplesPerRecord(signal), perRecord[signal]) << "signal " << signal;
    }
    for (std::size_t i = 0; i < kSamples; ++i) ASSERT_EQ(mixed.digitalSamples(0)[i], ecgDigital(i)) << "sample " << i;
    for (std::size_t i = 0; i < kRecords * kSlowPerRecord; ++i) {
        ASSERT_EQ(mixed.digitalSamples(1)[i], slowDigital(i)) << "sample " << i;
    }
    EXPECT_EQ(mixed.digitalSamples(2), alone[0].digitalSamples(0));
    EXPECT_EQ(mixed.digitalSamples(3), alone[1].digitalSamples(0));
    EXPECT_EQ(mixed.digitalSamples(4), alone[1].digitalSamples(1));
    EXPECT_EQ(mixed.label(4), alone[1].label(1));

    // A CSV table has one time column: refused before any work.
    const ProcessResult mixedCsv = runSgfilter({"filter", input.string(), "-o", (folder / "mixed.csv").string(),
                                                "--channel", "ECG", "--then", "--channel", "Resp"},
                                               folder);
    EXPECT_EQ(mixedCsv.exitCode, 2);
    EXPECT_NE(mixedCsv.err.find("channels \"ECG\" (100 Hz) and \"Resp\" (20 Hz) are recorded at different rates, and a "
                                "CSV output has one time column"),
              std::string::npos)
        << mixedCsv.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "mixed.csv"));
}

TEST(EdfRecording, EdfAndBdfOutputsKeepTheValuesWithinTheirResolution) {
    TempFolder folder;
    // CSV -> EDF+ -> CSV: a parabola, which a quadratic fit passes unchanged at every stage.
    std::string csvText = "time (s),pressure (mmHg)\n";
    const auto pressure = [](double t) { return 80.0 + 30.0 * t - 4.0 * t * t; };
    for (int i = 0; i < 1000; ++i) csvText += fmt::format("{:.3f},{:.6f}\n", i * 0.005, pressure(i * 0.005));
    const auto csvInput = folder.write("in.csv", csvText);
    const auto smooth = [&](const std::filesystem::path& in, const std::filesystem::path& out) {
        const ProcessResult result =
            runSgfilter({"filter", in.string(), "-o", out.string(), "--order", "2", "--width", "9"}, folder);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    };
    smooth(csvInput, folder / "out.edf");
    smooth(folder / "out.edf", folder / "back.csv");
    const WrittenEdf edf{readText(folder / "out.edf")};
    EXPECT_EQ(edf.bytes.substr(192, 5), "EDF+C");
    EXPECT_EQ(edf.field(120, 8, 0), "-32768");
    EXPECT_EQ(edf.field(128, 8, 0), "32767");
    EXPECT_EQ(edf.field(96, 8, 0), "mmHg");
    EXPECT_EQ(edf.field(0, 16, 0).substr(0, 2), "SG");
    const CsvText back = parseCsv(readText(folder / "back.csv"));
    ASSERT_EQ(back.rows.size(), 1000u);
    const double edfStep = edf.resolution(0);
    EXPECT_LT(edfStep, 0.01);
    for (std::size_t i = 0; i < back.rows.size(); ++i) {
        ASSERT_NEAR(std::stod(back.rows[i].at(1)), pressure(static_cast<double>(i) * 0.005), 0.51 * edfStep + 0.006)
            << "row " << i;
    }

    // EDF+ -> BDF+: 24 bits keep 256 times finer steps, and the start and annotations come along.
    EdfTestFile file = pausedRecording();
    file.discontinuous = false;
    file.onsets = recordOnsets(kRecords, 0.5);
    file.signals[0].digital = [](std::size_t i) { return -30000 + 90 * static_cast<int>(i); };
    smooth(folder.write("in.edf", file.bytes()), folder / "out.bdf");
    const WrittenEdf bdf{readText(folder / "out.bdf")};
    EXPECT_EQ(bdf.bytes.substr(0, 8), "\xff" "BIOSEMI");
    EXPECT_EQ(bdf.bytes.substr(192, 5), "BDF+C");
    EXPECT_EQ(bdf.bytes.substr(168, 16), "01.02.2110.20.30");
    EXPECT_EQ(bdf.field(120, 8, 0), "-8388608");
    EXPECT_NE(bdf.bytes.find("Beat"), std::string::npos);
    smooth(folder / "out.bdf", folder / "back-from-bdf.csv");
    const CsvText fromBdf = parseCsv(readText(folder / "back-from-bdf.csv"));
    ASSERT_EQ(fromBdf.rows.size(), kSamples);
    const double bdfStep = bdf.resolution(0);
    EXPECT_LT(bdfStep, 1e-4);  // finer than the input's own step, so nothing of the input is lost
    for (std::size_t i = 0; i < kSamples; ++i) {
        ASSERT_NEAR(std::stod(fromBdf.rows[i].at(1)), file.physicalOf(file.signals[0], file.signals[0].digital(i)), 0.6e-4)
            << "row " << i;
    }
}

TEST(EdfRecording, APausedRecordingIsWrittenAsEdfPlusDWithThePauseAndAKeptSourceUnchanged) {
    TempFolder folder;
    EdfTestFile file = pausedRecording();
    file.signals[0].digital = wavyDigital;
    const WrittenEdf in{file.bytes()};
    const auto input = folder.write("paused.edf", in.bytes);
    // A quadratic fit passes the pressure's straight lines on either side of the pause unchanged.
    const ProcessResult result = runSgfilter({"filter", input.string(), "-o", (folder / "out.edf").string(),
                                              "--keep-sources", "--channel", "BP", "--order", "2", "--width", "7"},
                                             folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const WrittenEdf edf{readText(folder / "out.edf")};
    EXPECT_EQ(edf.kind(), "EDF+D");
    // 300 samples at 100 Hz on either side of the pause: three records of a second each, their
    // onsets exact as the input's records wrote them.
    EXPECT_EQ(edf.recordDuration(), "1");
    ASSERT_EQ(edf.recordCount(), 6u);
    const std::vector<double> onsets{0, 1, 2, 6, 7, 8};
    for (std::size_t record = 0; record < onsets.size(); ++record) {
        EXPECT_EQ(edf.tals(record).at(0).onset, onsets[record]) << "record " << record;
    }
    const WrittenTal beat = edf.tals(0).at(1);
    EXPECT_EQ(beat.texts.at(0), "Beat");
    EXPECT_NEAR(beat.onset + std::stod(beat.duration), 0.35, 1e-4);
    // The kept source has the input's range and digital values, in records of its own length.
    EXPECT_EQ(edf.label(0), "BP");
    for (const std::size_t before : {104u, 112u, 120u, 128u}) EXPECT_EQ(edf.field(before, 8, 0), in.field(before, 8, 1));
    EXPECT_EQ(edf.sampleBytes(0), in.sampleBytes(1));

    const ProcessResult info = runSgfilter({"info", (folder / "out.edf").string()}, folder);
    EXPECT_NE(info.out.find("2 channels, 600 samples each at 100 Hz, 2 runs of data, 1 annotation"), std::string::npos)
        << info.out;
    // Kept as a source when read back, the filtered pressure comes out as it was written.
    const ProcessResult back = runSgfilter(
        {"filter", (folder / "out.edf").string(), "-o", (folder / "back.csv").string(), "--keep-sources", "--channel", "2"},
        folder);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    const CsvText csv = parseCsv(readText(folder / "back.csv"));
    ASSERT_EQ(csv.rows.size(), kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        ASSERT_NEAR(std::stod(csv.rows[i].at(0)), timeOfSample(i), 1e-9) << "row " << i;
        ASSERT_NEAR(std::stod(csv.rows[i].at(1)), file.physicalOf(file.signals[1], pressureDigital(i)), 1.01 * edf.resolution(1))
            << "row " << i;
    }
}

TEST(EdfRecording, ASourceKeptFromBdfInEdfSpansItsDisplayRangeAtSixteenBits) {
    TempFolder folder;
    EdfTestFile file = pausedRecording();
    file.is24Bit = true;
    file.signals[0] = {"ECG", "mV", -8.388608, 8.388607, -8388608, 8388607, kPerRecord,
                       [](std::size_t i) { return static_cast<int>(std::lround(6e6 * std::sin(0.05 * static_cast<double>(i)))); }};
    const auto input = folder.write("paused.bdf", file.bytes());
    const ProcessResult result = runSgfilter(
        {"filter", input.string(), "-o", (folder / "out.edf").string(), "--keep-sources", "--channel", "ECG"}, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const WrittenEdf edf{readText(folder / "out.edf")};
    // 24-bit digital values do not fit EDF's 16: the signal takes the format's whole digital range.
    EXPECT_EQ(edf.field(120, 8, 0), "-32768");
    EXPECT_EQ(edf.field(128, 8, 0), "32767");
    const std::vector<int> digital = edf.digitalSamples(0);
    ASSERT_EQ(digital.size(), kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        ASSERT_NEAR(edf.physicalOf(0, digital[i]), file.physicalOf(file.signals[0], file.signals[0].digital(i)),
                    0.51 * edf.resolution(0) + 1e-6)
            << "sample " << i;
    }
}

struct Damage {
    const char* name;
    std::function<void(EdfTestFile&)> change;
    std::function<void(std::string&)> changeBytes;
    const char* expected;
};

class DamagedEdf : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedEdf, IsRefusedNamingTheFileAndTheFaultWithNoOutput) {
    TempFolder folder;
    EdfTestFile file = pausedRecording();
    if (GetParam().change) GetParam().change(file);
    std::string bytes = file.bytes();
    if (GetParam().changeBytes) GetParam().changeBytes(bytes);
    const auto input = folder.write("damaged.edf", bytes);
    const ProcessResult result =
        runSgfilter({"filter", input.string(), "-o", (folder / "out.csv").string(), "--plot", (folder / "out.svg").string()},
                    folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(input.string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(GetParam().expected), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.csv"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out.svg"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedEdf,
    ::testing::Values(
        Damage{"TruncatedRecords", {}, [](std::string& b) { b.resize(b.size() - 100); }, "data records are cut short"},
        Damage{"HeaderLiesAboutItsSize", {}, [](std::string& b) { b.replace(184, 8, "2048    "); }, "header says it is 2048"},
        Damage{"ZeroDigitalRange", [](EdfTestFile& f) { f.signals[1].digitalMaximum = f.signals[1].digitalMinimum; }, {},
               "digital range of zero"},
        Damage{"LabelOutsideAscii", [](EdfTestFile& f) { f.signals[0].label = "EKG \xb5"; }, {}, "outside printable ASCII"},
        Damage{"UnitOutsideAscii", [](EdfTestFile& f) { f.signals[0].units = "\xb5V"; }, {}, "outside printable ASCII"},
        // Record 3's annotation signal, after a header of 1024 bytes, two records of 320 and 200
        // bytes of samples, loses the sign that opens its onset.
        Damage{"RecordWithoutOnset", {}, [](std::string& bytes) { bytes.at(1024 + 2 * 320 + 200) = 'x'; },
               "data record 3 does not begin with its onset"}),
    [](const ::testing::TestParamInfo<Damage>& damage) { return std::string(damage.param.name); });

TEST(EdfRecording, MakeSampleWritesPausedEdfAndBdfThatReadBackWithTheirRuns) {
    TempFolder folder;
    for (const char* format : {"edf", "bdf"}) {
        const auto file = folder / fmt::format("sample.{}", format);
        const ProcessResult made = runBuilt(
            "make-sample", {"--format", format, "--channels", "3", "--duration", "20", "-o", file.string()}, folder);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const ProcessResult info = runSgfilter({"info", file.string()}, folder);
        ASSERT_EQ(info.exitCode, 0) << info.err;
        // 20 s with the pause rounded out to whole records of one second: 18 records.
        EXPECT_NE(info.out.find("3 channels, 18000 samples each at 1000 Hz, 2 runs of data"), std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("pressure2"), std::string::npos) << info.out;
    }
}

}  // namespace
}  // namespace sgf::testing
