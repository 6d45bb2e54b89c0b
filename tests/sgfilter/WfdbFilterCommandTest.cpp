// WFDB records through the built program: every signal of the shared records as `sgfilter filter`
// writes it (kept sources) against the samples their headers and data define, a filtered channel
// against the least-squares model per run, and a record with samples not recorded filtered as two
// runs with one-sided windows at both sides of the gap.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>
#include <string>
#include <vector>

#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "sgfilter/WfdbBytes.h"
#include "sgfilter/WfdbSharedRecords.h"
#include "support/LeastSquaresOracle.h"

namespace sgf::testing {
namespace {

void expectFiltered(const CsvText& csv, std::size_t column, const std::vector<std::vector<double>>& runs, int width, int order) {
    std::size_t row = 0;
    const double tolerance = 0.51 * std::pow(10.0, -decimalsOf(csv.rows.at(0).at(column)));
    for (const std::vector<double>& run : runs) {
        const std::vector<long double> expected = oracle::FilterRun({run.begin(), run.end()}, width, order, 0);
        for (const long double value : expected) {
            ASSERT_NEAR(std::stod(csv.rows.at(row).at(column)), static_cast<double>(value), tolerance) << "row " << row;
            ++row;
        }
    }
    EXPECT_EQ(row, csv.rows.size());
}

TEST(WfdbFilterCommand, SharedRecordsReadAndFilterAsTheirHeadersAndDataDefine) {
    SKIP_WITHOUT_SHARED_WFDB();
    for (const SharedWfdbRecord& record : sharedWfdbRecords()) {
        SCOPED_TRACE(record.header);
        TempFolder folder;
        const std::vector<std::vector<int>> signals = sharedSignals(record);
        // A stage per signal, so every signal is kept; the record is named without its extension.
        std::string name = (sharedWfdbFolder() / record.header).string();
        name.resize(name.size() - 4);
        std::vector<std::string> arguments{"filter", name, "-o", (folder / "out.csv").string(), "--keep-sources"};
        for (std::size_t signal = 0; signal < record.signals; ++signal) {
            if (signal > 0) arguments.emplace_back("--then");
            arguments.insert(arguments.end(), {"--channel", std::to_string(signal + 1), "--order", "2", "--width", "7"});
        }
        const ProcessResult result = runSgfilter(arguments, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const CsvText csv = parseCsv(readText(folder / "out.csv"));
        ASSERT_EQ(csv.header.size(), 1 + 2 * record.signals);
        ASSERT_EQ(csv.rows.size(), signals[0].size());
        EXPECT_NEAR(std::stod(csv.rows.back().at(0)), static_cast<double>(signals[0].size() - 1) / record.frameRate, 1e-6);
        for (std::size_t signal = 0; signal < record.signals; ++signal) {
            std::vector<double> units;
            for (const int value : signals[signal]) units.push_back((value - record.adcZero) / record.gain);
            for (std::size_t row = 0; row < units.size(); ++row) {
                ASSERT_NEAR(std::stod(csv.rows[row].at(1 + signal)), units[row], 0.5 / record.gain) << "signal " << signal << " row " << row;
            }
            if (signal == 0) expectFiltered(csv, 1 + record.signals, {units}, 7, 2);
        }
    }
}

TEST(WfdbFilterCommand, SamplesNotRecordedSplitTheRecordIntoRunsFilteredApart) {
    TempFolder folder;
    std::vector<std::int32_t> samples;
    std::vector<std::vector<double>> runs(2);
    for (int frame = 0; frame < 120; ++frame) {
        const auto value = static_cast<std::int32_t>(std::lround(800 * std::sin(0.11 * frame) + 37 * ((frame * 7919) % 13)));
        // Frames 50 to 52 not recorded.
        samples.push_back(frame >= 50 && frame < 53 ? wfdbInvalidOf(212) : value);
        if (frame < 50) runs[0].push_back(value / 200.0);
        if (frame >= 53) runs[1].push_back(value / 200.0);
    }
    folder.write("gap.dat", wfdbBytes(212, samples));
    const auto header = folder.write("gap.hea", "gap 1 100 120 10:00:00 01/02/2003\ngap.dat 212 200 12 0 0 0 0 ECG\n");
    const ProcessResult info = runSgfilter({"info", header.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("117 samples each at 100 Hz, 2 runs of data"), std::string::npos) << info.out;
    const ProcessResult result = runSgfilter({"filter", header.string(), "-o", (folder / "out.csv").string(), "--order", "3", "--width", "9"}, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText csv = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(csv.rows.size(), 117u);
    // The rows after the gap keep their frames' times.
    EXPECT_DOUBLE_EQ(std::stod(csv.rows[49].at(0)), 0.49);
    EXPECT_DOUBLE_EQ(std::stod(csv.rows[50].at(0)), 0.53);
    expectFiltered(csv, 1, runs, 9, 3);
}

TEST(WfdbFilterCommand, AMissingSignalFileFailsNamingIt) {
    TempFolder folder;
    const auto header = folder.write("r.hea", "r 1 100 10\nr.dat 16 200 16 0 0 0 0 a\n");
    const ProcessResult result = runSgfilter({"info", header.string()}, folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find((folder / "r.dat").string() + ": cannot open the signal file"), std::string::npos) << result.err;
}

TEST(WfdbFilterCommand, AnotherAnnotatorIsChosenOnTheCommandLineAndMustBeThere) {
    SKIP_WITHOUT_SHARED_WFDB();
    TempFolder folder;
    for (const char* file : {"100s.hea", "100s.dat"}) std::filesystem::copy(sharedWfdbFolder() / file, folder / file);
    std::filesystem::copy(sharedWfdbFolder() / "100s.atr", folder / "100s.qrs");
    const std::string record = (folder / "100s").string();
    const ProcessResult plain = runSgfilter({"info", record}, folder);
    EXPECT_NE(plain.out.find("0 annotations"), std::string::npos) << plain.out;
    const ProcessResult chosen = runSgfilter({"info", record, "--annotations", "qrs"}, folder);
    EXPECT_NE(chosen.out.find("75 annotations"), std::string::npos) << chosen.out << chosen.err;
    const ProcessResult missing = runSgfilter(
        {"filter", record, "-o", (folder / "out.edf").string(), "--annotations", "ecg"}, folder);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find((folder / "100s.ecg").string()), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.edf"));
}

}  // namespace
}  // namespace sgf::testing
