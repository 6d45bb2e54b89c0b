// sgfilter on recordings paged through many blocks: the results still match an independent fit
// where windows span more blocks than the host keeps in memory, pipelines get the same bytes as
// files, and a fault found at the end of a long file leaves nothing behind.
#include <gtest/gtest.h>

#include <cmath>

#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "support/LeastSquaresOracle.h"

namespace sgf::testing {
namespace {

std::vector<std::string> filesIn(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

const SyntheticRecording kWavy{"time (s),pressure (mmHg)", 0.001, {{0, 1500}, {1600, 1234}, {3000, 777}}, 2,
                               [](double t) { return 90.0 + 25.0 * std::sin(9.0 * t) + 3.0 * std::sin(131.0 * t); }};

TEST(Streaming, WindowsOverMoreBlocksThanTheHostKeepsMatchTheLeastSquaresFit) {
    TempFolder folder;
    folder.write("in.csv", kWavy.csv());
    // Blocks of 5 samples: a window of 201 spans 41 of them, more than the host's cache, and
    // the second stage reads the first stage's values back from the store.
    const ProcessResult result =
        runSgfilter({"filter", (folder / "in.csv").string(), "-o", (folder / "out.csv").string(), "--block-size", "5",
                     "--width", "201", "--order", "4", "--then", "--derivative", "2", "--order", "3", "--width", "31"},
                    folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText csv = parseCsv(readText(folder / "out.csv"));
    std::size_t row = 0;
    const int curvatureDecimals = decimalsOf(csv.rows.front().at(2));
    for (const std::vector<double>& run : kWavy.values()) {
        const std::vector<long double> smoothed = oracle::FilterRun({run.begin(), run.end()}, 201, 4, 0);
        // Per millisecond squared, the host's time unit for this interval.
        const std::vector<long double> curvature = oracle::FilterRun(smoothed, 31, 3, 2);
        for (std::size_t n = 0; n < run.size(); ++n, ++row) {
            ASSERT_NEAR(std::stod(csv.rows.at(row).at(1)), static_cast<double>(smoothed[n]), 0.0051) << "row " << row;
            ASSERT_NEAR(std::stod(csv.rows.at(row).at(2)), static_cast<double>(curvature[n]),
                        0.51 * std::pow(10.0, -curvatureDecimals) + 1e-5)
                << "row " << row;
        }
    }
    EXPECT_EQ(row, csv.rows.size());
    EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"in.csv", "out.csv"}));
}

TEST(Streaming, StandardInputAndOutputCarryTheSameBytesAsFiles) {
    TempFolder folder;
    folder.write("in.csv", kWavy.csv());
    const std::vector<std::string> stages{"--width", "25", "--then", "--derivative", "1", "--order", "3"};
    std::vector<std::string> withFiles{"filter", (folder / "in.csv").string(), "-o", (folder / "out.csv").string()};
    withFiles.insert(withFiles.end(), stages.begin(), stages.end());
    ASSERT_EQ(runSgfilter(withFiles, folder).exitCode, 0);

    std::vector<std::string> piped{"filter", "-", "-o", "-", "--plot", (folder / "p.svg").string()};
    piped.insert(piped.end(), stages.begin(), stages.end());
    const ProcessResult result = runSgfilter(piped, folder, folder / "in.csv");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, readText(folder / "out.csv"));
    EXPECT_TRUE(std::filesystem::exists(folder / "p.svg"));

    EXPECT_EQ(runSgfilter({"filter", "-", "-o", "-", "--plot", "-"}, folder, folder / "in.csv").exitCode, 2);
}

TEST(Streaming, AFaultInTheLastRowOfALongFileLeavesNoOutputAndNoTemporaryFiles) {
    TempFolder folder;
    std::string text = "time (s),a (V)\n";
    for (int row = 0; row < 60000; ++row) text += fmt::format("{}.{:03},{}\n", row / 1000, row % 1000, row % 17);
    text += "60.000,oops\n";
    folder.write("in.csv", text);
    const ProcessResult result = runSgfilter({"filter", (folder / "in.csv").string(), "-o",
                                              (folder / "out.csv").string(), "--plot", (folder / "p.svg").string()},
                                             folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("in.csv:60002: channel \"a\": \"oops\" is not a number"), std::string::npos)
        << result.err;
    EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"in.csv"}));
}

}  // namespace
}  // namespace sgf::testing
