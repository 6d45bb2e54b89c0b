// sgfilter run on BrainVision recordings as a user runs it: the public recordings' values as the
// program writes them against the data file decoded here, markers and start in the outputs, and
// filtered values against the least-squares model, across segments too.
#include <gtest/gtest.h>

#include <cmath>

#include "sgfilter/BrainVisionFiles.h"
#include "sgfilter/BrainVisionSharedFiles.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"
#include "support/LeastSquaresOracle.h"

namespace sgf::testing {
namespace {

CsvText filteredCsv(const std::filesystem::path& input, const TempFolder& folder, std::vector<std::string> options) {
    std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / "out.csv").string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ProcessResult result = runSgfilter(arguments, folder);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return parseCsv(readText(folder / "out.csv"));
}

// Half a step of the last decimal written, and float32's rounding of values up to `largest`.
double writtenTolerance(const CsvText& csv, std::size_t column, double largest) {
    return 0.5 * std::pow(10.0, -decimalsOf(csv.rows.at(0).at(column))) + largest * 1e-6;
}

TEST(BrainVisionCommands, AnEdfPlusOutputKeepsTheStartToItsMicrosecondAndTheMarkersAtTheirSamples) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    TempFolder folder;
    const ProcessResult result = runSgfilter({"filter", (sharedBrainVision() / "test.vhdr").string(), "-o",
                                              (folder / "out.edf").string(), "--channel", "Cz", "--order", "2", "--width", "5"},
                                             folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const ProcessResult text = runSgfilter({"info", (folder / "out.edf").string()}, folder);
    EXPECT_NE(text.out.find("started 2013-11-13 16:14:03.794232"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("14 annotations"), std::string::npos) << text.out;
}

TEST(BrainVisionCommands, RecorderFileValuesMarkersAndFilteredChannelAsWritten) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    TempFolder folder;
    const auto header = sharedBrainVision() / "test.vhdr";
    const ProcessResult info = runSgfilter({"info", header.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* expected : {"2013-11-13 16:14:03.794232", "14 annotations", "FP1", "ReRef"}) {
        EXPECT_NE(info.out.find(expected), std::string::npos) << expected << " in\n" << info.out;
    }

    // Channels with an empty unit, none at all, a unit that is no voltage, and the last one.
    const std::vector<std::size_t> kept{2, 3, 27, 32};
    std::vector<std::string> stages{"--keep-sources"};
    for (const std::size_t channel : kept) {
        if (channel != kept.front()) stages.push_back("--then");
        stages.insert(stages.end(), {"--channel", std::to_string(channel), "--order", "3", "--width", "25"});
    }
    const CsvText csv = filteredCsv(header, folder, stages);
    ASSERT_EQ(csv.rows.size(), kSharedSamples);
    ASSERT_EQ(csv.header.size(), 1 + 2 * kept.size());
    EXPECT_EQ(csv.header[1], "FP2 (µV)");
    EXPECT_EQ(csv.header[2], "F3 (µV)");
    EXPECT_EQ(csv.header[3], "CP5 (BS)");
    const SharedDigital digital;
    for (std::size_t row = 0; row < kSharedSamples; ++row) {
        // Counted from the start's whole second: the recording began 0.794232 s into it.
        ASSERT_NEAR(std::stod(csv.rows[row][0]), 0.794232 + 0.001 * static_cast<double>(row), 1e-9) << "row " << row;
        for (std::size_t index = 0; index < kept.size(); ++index) {
            ASSERT_NEAR(std::stod(csv.rows[row][1 + index]), 0.5 * digital.at(kept[index] - 1, row), 0.25)
                << "channel " << kept[index] << " row " << row;
        }
    }
    std::vector<long double> source;
    for (std::size_t row = 0; row < kSharedSamples; ++row) source.push_back(0.5L * digital.at(31, row));
    const std::vector<long double> expected = oracle::FilterRun(source, 25, 3, 0);
    const std::vector<double> written = csv.column(1 + kept.size() + 3);
    const double tolerance = writtenTolerance(csv, 1 + kept.size() + 3, 16384.0);
    for (std::size_t row = 0; row < kSharedSamples; ++row) {
        ASSERT_NEAR(written[row], static_cast<double>(expected[row]), tolerance) << "row " << row;
    }
}

TEST(BrainVisionCommands, FourUnitsAndVersion2MarkersAsWritten) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    TempFolder folder;
    const CsvText csv = filteredCsv(sharedBrainVision() / "test_units.vhdr", folder,
                                    {"--keep-sources", "--channel", "1", "--then", "--channel", "2", "--then", "--channel", "3",
                                     "--then", "--channel", "4"});
    ASSERT_EQ(csv.rows.size(), kSharedSamples);
    const std::vector<std::pair<std::string, double>> headsAndSteps{{"FP1 (nV)", 500}, {"FP2 (mV)", 0.0005}, {"F3 (V)", 5e-7}, {"F4 (uV)", 0.5}};
    const SharedDigital digital;
    for (std::size_t channel = 0; channel < headsAndSteps.size(); ++channel) {
        const auto& [head, step] = headsAndSteps[channel];
        EXPECT_EQ(csv.header[1 + channel], head);
        for (std::size_t row = 0; row < kSharedSamples; ++row) {
            ASSERT_NEAR(std::stod(csv.rows[row][1 + channel]), step * digital.at(channel, row), 0.5 * step) << head << " row " << row;
        }
    }

    // Markers after the last sample stay annotations in an EDF+ output, which the info of it counts.
    const auto edf = folder / "v2.edf";
    const ProcessResult written = runSgfilter({"filter", (sharedBrainVision() / "testv2.vhdr").string(), "-o", edf.string(), "--channel", "Cz"}, folder);
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const ProcessResult info = runSgfilter({"info", edf.string()}, folder);
    EXPECT_NE(info.out.find("16 annotations"), std::string::npos) << info.out;
}

TEST(BrainVisionCommands, AFloat32RecordingInSegmentsFiltersEachRunWithOneSidedWindows) {
    TempFolder folder;
    BrainVisionTestFile file;
    file.name = "segments";
    file.binaryFormat = "IEEE_FLOAT_32";
    file.orientation = "VECTORIZED";
    file.writeDataPoints = true;
    // A curve no cubic follows, with a step at the segment boundary that a window across it would smear.
    const auto curve = [](std::size_t i) {
        const double x = static_cast<double>(i);
        return static_cast<double>(static_cast<float>(40.0 * std::sin(0.21 * x) + (i >= 120 ? 500.0 : 0.0) + 0.013 * x * x));
    };
    file.channels = {{"Pz,,0.25,µV", curve}};
    file.markers = {"New Segment,,1,1,0,20240101120000000000", "New Segment,,121,1,0,20240101120005000000", "Stimulus,S  7,130,1,0"};
    const auto header = file.writeTo(folder);

    const CsvText csv = filteredCsv(header, folder, {"--keep-sources", "--channel", "Pz", "--order", "3", "--width", "11"});
    ASSERT_EQ(csv.rows.size(), file.samples);
    std::vector<long double> expected;
    for (const auto& [first, end] : {std::pair<std::size_t, std::size_t>{0, 120}, {120, 200}}) {
        std::vector<long double> run;
        for (std::size_t i = first; i < end; ++i) run.push_back(0.25L * curve(i));
        const std::vector<long double> filtered = oracle::FilterRun(run, 11, 3, 0);
        expected.insert(expected.end(), filtered.begin(), filtered.end());
    }
    const double sourceTolerance = writtenTolerance(csv, 1, 200.0);
    const double filteredTolerance = writtenTolerance(csv, 2, 200.0);
    for (std::size_t row = 0; row < file.samples; ++row) {
        // The second segment's date is 5 s after the first's.
        const double time = row < 120 ? 0.004 * static_cast<double>(row) : 5.0 + 0.004 * static_cast<double>(row - 120);
        ASSERT_NEAR(std::stod(csv.rows[row][0]), time, 1e-9) << "row " << row;
        ASSERT_NEAR(std::stod(csv.rows[row][1]), 0.25 * curve(row), sourceTolerance) << "row " << row;
        ASSERT_NEAR(std::stod(csv.rows[row][2]), static_cast<double>(expected[row]), filteredTolerance) << "row " << row;
    }
}

}  // namespace
}  // namespace sgf::testing
