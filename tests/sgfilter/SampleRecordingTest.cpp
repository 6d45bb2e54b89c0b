// The bundled recording is what the generator makes, and looks like the physiology it stands for.
#include <gtest/gtest.h>

#include <algorithm>

#include "csv/CsvReader.h"
#include "csv/RunSplitting.h"
#include "recording/BlockPlan.h"
#include "sgfilter/CollectedRows.h"
#include "sgfilter/SgfilterProcess.h"

namespace sgf::testing {
namespace {

const std::filesystem::path kSample = std::filesystem::path(SG_SOURCE_DIR) / "samples/arterial-pressure.csv";

TEST(SampleRecording, IsTheGeneratorsOutputAndTheGeneratorIsDeterministic) {
    TempFolder folder;
    const auto generated = [&folder](std::vector<std::string> arguments, const std::string& name) {
        arguments.insert(arguments.end(), {"-o", (folder / name).string()});
        EXPECT_EQ(runBuilt("make-sample", arguments, folder).exitCode, 0);
        return readText(folder / name);
    };
    EXPECT_EQ(generated({}, "a.csv"), readText(kSample));
    EXPECT_EQ(generated({"-d", "40", "--seed", "2"}, "b.csv"), generated({"-d", "40", "--seed", "2"}, "c.csv"));
    EXPECT_NE(generated({"-d", "40", "--seed", "2"}, "b.csv"), generated({"-d", "40", "--seed", "3"}, "d.csv"));
    CollectedRows rows;
    EXPECT_EQ(readCsv(folder / "b.csv", rows).rowCount, 37500u);  // 40 s at 1 kHz less the 2.5 s gap
}

TEST(SampleRecording, LooksLikeArterialPressureAndAnEcgWithAGap) {
    EXPECT_LT(std::filesystem::file_size(kSample), 1u << 20);
    CollectedRows rows;
    const CsvSummary table = readCsv(kSample, rows);
    const RunLayout layout = splitIntoRuns(rows.timeColumn(table.timeDecimals), kMostBlocks);
    EXPECT_EQ(layout.runs.size(), 2u);
    EXPECT_NEAR(layout.sampleInterval, 0.001, 1e-12);
    EXPECT_NEAR(rows.times.back(), 30.0, 0.01);
    ASSERT_EQ(table.channels.size(), 2u);
    EXPECT_EQ(table.channels[0].units, "mmHg");
    EXPECT_EQ(table.channels[1].units, "mV");

    // Systolic and diastolic pressure, and the heart rate from the R waves of the first run.
    const std::vector<double>& pressure = rows.columns[0];
    EXPECT_NEAR(*std::ranges::max_element(pressure), 122.0, 6.0);
    EXPECT_NEAR(*std::ranges::min_element(pressure), 78.0, 5.0);
    const std::vector<double>& ecg = rows.columns[1];
    int beats = 0;
    for (std::size_t row = 1; row < layout.runs[0].rowCount; ++row) {
        if (ecg[row] >= 0.6 && ecg[row - 1] < 0.6) ++beats;
    }
    const double minutes = (rows.times[layout.runs[0].rowCount - 1] - rows.times[0]) / 60.0;
    EXPECT_NEAR(beats / minutes, 70.0, 6.0);
}

}  // namespace
}  // namespace sgf::testing
