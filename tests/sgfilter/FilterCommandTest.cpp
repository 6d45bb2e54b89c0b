// sgfilter filter, run as a user runs it, against expectations computed here independently.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/LeastSquaresOracle.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"

namespace sgf::testing {
namespace {

class FilterCommand : public ::testing::Test {
protected:
    ProcessResult filter(const SyntheticRecording& recording, std::vector<std::string> options) {
        folder.write("in.csv", recording.csv());
        std::vector<std::string> arguments{"filter", (folder / "in.csv").string(), "-o", output().string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runSgfilter(arguments, folder);
    }

    CsvText filtered(const SyntheticRecording& recording, std::vector<std::string> options) {
        const ProcessResult result = filter(recording, std::move(options));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return parseCsv(readText(output()));
    }

    std::filesystem::path output() const { return folder / "out.csv"; }

    TempFolder folder;
};

std::vector<double> concatenated(const std::vector<std::vector<double>>& runs) {
    std::vector<double> all;
    for (const auto& run : runs) all.insert(all.end(), run.begin(), run.end());
    return all;
}

std::vector<double> sampleTimes(const SyntheticRecording& recording) {
    std::vector<double> times;
    for (const Stretch& stretch : recording.stretches) {
        for (int sample = stretch.firstSample; sample < stretch.firstSample + stretch.count; ++sample) {
            times.push_back(sample * recording.interval);
        }
    }
    return times;
}

// The decimals a recording host shows for a derivative whose display range runs over `span`.
int displayDecimals(double span) {
    return std::clamp(static_cast<int>(std::lround(6.0 - std::log10(span) + 0.9)), 0, 6);
}

void expectColumnNear(const CsvText& csv, std::size_t column, const std::vector<double>& expected, double tolerance) {
    const std::vector<double> values = csv.column(column);
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t row = 0; row < values.size(); ++row) {
        ASSERT_NEAR(values[row], expected[row], tolerance) << "row " << row << " of column " << column;
    }
}

TEST_F(FilterCommand, SmoothingReproducesAQuadraticEverywhereAcrossBlocksAndGaps) {
    const auto quadratic = [](double t) { return 1.5 + 2.0 * t - 0.75 * t * t; };
    const SyntheticRecording recording{"time (s),level (V)", 0.01, {{0, 100}, {130, 57}}, 6, quadratic};
    std::vector<double> expected;
    for (const double t : sampleTimes(recording)) expected.push_back(quadratic(t));

    for (const std::vector<std::string>& settings : {std::vector<std::string>{"--width", "9", "--order", "2"},
                                                     std::vector<std::string>{"--width", "21", "--order", "3"}}) {
        std::vector<std::string> options{"--block-size", "16"};
        options.insert(options.end(), settings.begin(), settings.end());
        const CsvText csv = filtered(recording, options);
        EXPECT_EQ(csv.header, (std::vector<std::string>{"time (s)", "Savitzky-Golay of level (V)"}));
        expectColumnNear(csv, 0, sampleTimes(recording), 1e-12);
        expectColumnNear(csv, 1, expected, 3e-6);
        EXPECT_EQ(decimalsOf(csv.rows.front().at(1)), 6);  // as the input gave them
        EXPECT_EQ(decimalsOf(csv.rows.back().at(1)), 6);
    }
}

TEST_F(FilterCommand, DerivativesOfACubicAreExactInUnitsPerSecond) {
    const auto cubic = [](double t) { return 0.4 * t * t * t - t * t + 0.5 * t + 2.0; };
    const SyntheticRecording recording{"time (s),level (V)", 0.01, {{0, 120}, {150, 80}}, 6, cubic};
    const std::vector<double> values = concatenated(recording.values());
    const double largest = std::ranges::max(values, {}, [](double v) { return std::fabs(v); });
    const double fullScale = 1.953125 * largest / 0.9765625;

    struct Case {
        const char* derivative;
        const char* units;
        double (*exact)(double);
        double span;
        // The input's rounding to 6 decimals, amplified by the weights and divided by the interval.
        double inputError;
    };
    const Case cases[] = {
        {"1", "V.s^-1_", [](double t) { return 1.2 * t * t - 2.0 * t + 0.5; }, 2.0 * fullScale / 0.01, 1e-3},
        {"2", "V.s^-2_", [](double t) { return 2.4 * t - 2.0; }, 2.0 * fullScale / (0.01 * 0.01), 2e-2},
    };
    for (const Case& check : cases) {
        const CsvText csv = filtered(
            recording, {"--derivative", check.derivative, "--order", "3", "--width", "11", "--block-size", "32"});
        EXPECT_EQ(csv.header.at(1), std::string("Savitzky-Golay of level (") + check.units + ")");
        const int decimals = displayDecimals(check.span);
        EXPECT_EQ(decimalsOf(csv.rows.at(7).at(1)), decimals);
        std::vector<double> expected;
        for (const double t : sampleTimes(recording)) expected.push_back(check.exact(t));
        expectColumnNear(csv, 1, expected, 0.51 * std::pow(10.0, -decimals) + check.inputError);
    }
}

// Smoothing then differentiating the smoothed values, at 1 kHz where the derivative is per ms.
TEST_F(FilterCommand, ChainedStagesEqualTheCompositeOfTheirFilters) {
    uint32_t state = 12345;
    std::vector<double> noise(1200);
    for (double& value : noise) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    }
    const SyntheticRecording recording{"time (s),pressure (mmHg)", 0.001, {{0, 400}, {450, 300}}, 3, [&](double t) {
                                           return 95.0 + 20.0 * std::sin(7.0 * t) + 2.0 * noise[std::lround(t * 1000)];
                                       }};
    std::vector<double> smoothed;
    std::vector<double> slope;
    for (const std::vector<double>& run : recording.values()) {
        const std::vector<long double> stage1 = oracle::FilterRun({run.begin(), run.end()}, 7, 2, 0);
        const std::vector<long double> stage2 = oracle::FilterRun(stage1, 9, 3, 1);  // per millisecond
        smoothed.insert(smoothed.end(), stage1.begin(), stage1.end());
        slope.insert(slope.end(), stage2.begin(), stage2.end());
    }

    const std::vector<std::string> first{"--block-size", "64", "--width", "7", "--order", "2", "--then"};
    std::vector<std::string> explicitSource = first;
    explicitSource.insert(explicitSource.end(),
                          {"--channel", "2", "--computed", "--derivative", "1", "--order", "3", "--width", "9"});
    const CsvText csv = filtered(recording, explicitSource);
    EXPECT_EQ(csv.header.at(1), "Savitzky-Golay of pressure (mmHg)");
    EXPECT_EQ(csv.header.at(2), "Savitzky-Golay of Savitzky-Golay of pressure (mmHg.ms^-1_)");
    expectColumnNear(csv, 1, smoothed, 0.00051 + 1e-4);
    const int decimals = decimalsOf(csv.rows.front().at(2));
    expectColumnNear(csv, 2, slope, 0.51 * std::pow(10.0, -decimals) + 1e-4);

    // Without a source, a later stage reads the previous stage's output.
    const std::string explicitText = readText(output());
    std::vector<std::string> defaultSource = first;
    defaultSource.insert(defaultSource.end(), {"--derivative", "1", "--order", "3", "--width", "9"});
    EXPECT_EQ(filter(recording, defaultSource).exitCode, 0);
    EXPECT_EQ(readText(output()), explicitText);
}

TEST_F(FilterCommand, KeptSourcesComeFirstEachOnceInFileOrderAsTheInputWroteThem) {
    std::string text = "time (s),pressure (mmHg),ecg (mV),resp\n";
    for (int i = 0; i < 400; ++i) {
        text += fmt::format("{:.3f},{:.2f},{:.3f},{:.1f}\n", i * 0.004, 80 + (i * 7919 % 6001) / 100.0,
                            (i * 37 % 2001 - 1000) / 1000.0, (i % 50) / 10.0);
    }
    folder.write("in.csv", text);
    // ECG twice, pressure once, and a stage that reads a computed channel, which is not a source.
    const ProcessResult result =
        runSgfilter({"filter", (folder / "in.csv").string(), "-o", output().string(), "--keep-sources", "--channel",
                     "ecg", "--then", "--channel", "pressure", "--then", "--derivative", "1", "--then", "--channel", "2"},
                    folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const CsvText in = parseCsv(text);
    const CsvText out = parseCsv(readText(output()));
    ASSERT_EQ(out.header.size(), 7u);
    EXPECT_EQ(std::vector(out.header.begin() + 1, out.header.begin() + 3), (std::vector<std::string>{"pressure (mmHg)", "ecg (mV)"}));
    ASSERT_EQ(out.rows.size(), in.rows.size());
    for (std::size_t row = 0; row < in.rows.size(); ++row) {
        ASSERT_EQ(std::vector(out.rows[row].begin() + 1, out.rows[row].begin() + 3),
                  std::vector(in.rows[row].begin() + 1, in.rows[row].begin() + 3))
            << "row " << row;
    }
}

TEST_F(FilterCommand, SettingsFileAndRangeIndexReachTheModule) {
    const SyntheticRecording recording{"time (s),a (V)", 0.01, {{0, 200}}, 4, [](double t) { return std::sin(t); }};
    const auto derivative = [&](std::vector<std::string> options) {
        options.insert(options.end(), {"--derivative", "1", "--order", "3"});
        const ProcessResult result = filter(recording, options);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return readText(output());
    };
    const std::string wide = derivative({"--width", "11", "--range-index", "0"});
    const std::string narrow = derivative({"--width", "11", "--range-index", "9"});
    // A range a thousand times narrower is shown with three more decimals (up to six).
    EXPECT_GT(decimalsOf(parseCsv(narrow).rows.at(3).at(1)), decimalsOf(parseCsv(wide).rows.at(3).at(1)));

    folder.write("s.json", R"({"channel": "a", "width": 21, "range-index": 9})");
    EXPECT_EQ(derivative({"--settings", (folder / "s.json").string(), "--width", "11"}), narrow);
    EXPECT_NE(derivative({"--settings", (folder / "s.json").string()}), narrow);
    EXPECT_EQ(derivative({"--settings", (folder / "s.json").string()}),
              derivative({"--width", "21", "--range-index", "9"}));
}

// Every way a run can go wrong says what and where, exits non-zero, and leaves no output behind.
TEST_F(FilterCommand, BadInputIsReportedWithFileAndLineAndLeavesNoOutput) {
    struct Case {
        const char* csv;
        std::vector<std::string> options;
        int exitCode;
        std::string message;
    };
    const std::string in = (folder / "in.csv").string();
    const std::vector<Case> cases = {
        {nullptr, {}, 1, "missing.csv: cannot open: No such file or directory"},
        {"t,a\n0,1\n1\n", {}, 1, in + ":3: 1 field where the header has 2"},
        {"t,a\n0,1\n1,x1\n", {}, 1, in + ":3: channel \"a\": \"x1\" is not a number"},
        {"t,a\n0,1\n1,2\n0.5,3\n", {}, 1, in + ":4: time 0.5 does not come after the previous row's time 1"},
        {"t,a\n", {}, 1, in + ":2: no data rows after the header"},
        {"t,a\n0,1\n1,2\n", {"--channel", "b"}, 1, in + ":1: no channel \"b\"; the file's channels are 1 \"a\""},
        {"t,a\n0,1\n1,2\n", {"--width", "4"}, 2, "--width: must be odd and from 5 to 201, not 4"},
        {"t,a\n0,1\n1,2\n", {"--order", "7"}, 2, "--order: must be from 2 to 6, not 7"},
        {"t,a\n0,1\n1,2\n", {"--range-index", "-4"}, 2, "--range-index: must be from -3 to 9, not -4"},
        {"t,a\n0,1\n1,2\n", {"--computed"}, 2, "stage 1: channel 1 \"a\" is recorded and has no computed values"},
        {"t,a\n0,1\n1,2\n", {"--width", "5", "--width", "7"}, 2, "stage 1 has --width twice"},
        {"t,a\n0,1\n1,2\n", {"--module", "/nonexistent/SavitzkyGolay.so"}, 1, "/nonexistent/SavitzkyGolay.so"},
    };
    for (const Case& bad : cases) {
        std::filesystem::remove(folder / "in.csv");
        if (bad.csv != nullptr) folder.write("in.csv", bad.csv);
        std::vector<std::string> arguments{"filter", bad.csv != nullptr ? in : (folder / "missing.csv").string(), "-o",
                                           output().string()};
        arguments.insert(arguments.end(), bad.options.begin(), bad.options.end());
        const ProcessResult result = runSgfilter(arguments, folder);
        EXPECT_EQ(result.exitCode, bad.exitCode) << result.err;
        EXPECT_NE(result.err.find(bad.message), std::string::npos)
            << "got: " << result.err << "wanted: " << bad.message;
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"in.csv"}) << "left: " << left.back();
    }
}

TEST_F(FilterCommand, AFailedRunKeepsThePreviousOutputAndAnUnwritableOneFails) {
    folder.write("out.csv", "earlier result\n");
    folder.write("in.csv", "t,a\n0,1\n1,x\n");
    EXPECT_EQ(runSgfilter({"filter", (folder / "in.csv").string(), "-o", output().string()}, folder).exitCode, 1);
    EXPECT_EQ(readText(output()), "earlier result\n");

    folder.write("in.csv", "t,a\n0,1\n1,2\n");
    const ProcessResult result =
        runSgfilter({"filter", (folder / "in.csv").string(), "-o", (folder / "no/such/out.csv").string()}, folder);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;

    // An unwritable plot stops the run before anything is written.
    std::filesystem::remove(output());
    EXPECT_EQ(runSgfilter({"filter", (folder / "in.csv").string(), "-o", output().string(), "--plot",
                           (folder / "no/such/plot.svg").string()},
                          folder)
                  .exitCode,
              1);
    EXPECT_FALSE(std::filesystem::exists(output()));
}

TEST_F(FilterCommand, WarnsThatRunsShorterThanTheWindowAreNotFiltered) {
    const SyntheticRecording recording{"time (s),a", 0.01, {{0, 50}, {60, 6}}, 3, [](double t) { return t; }};
    const ProcessResult result = filter(recording, {"--width", "7"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("stage 1: 1 run of data shorter than the window of 7 samples is copied unfiltered, the "
                              "first at time 0.6 s"),
              std::string::npos)
        << result.err;
}

TEST_F(FilterCommand, PlotsSourceAndOutputsInAPanelPerUnitWithFewPointsPerTrace) {
    const SyntheticRecording recording{"time (s),pressure (mmHg)", 0.001, {{0, 12000}, {14000, 9000}}, 2, [](double t) {
                                           return 90.0 + 30.0 * std::sin(8.0 * t);
                                       }};
    const ProcessResult result = filter(recording, {"--width", "15", "--plot", (folder / "p.svg").string(), "--then",
                                                    "--derivative", "1", "--order", "3", "--width", "15"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string svg = readText(folder / "p.svg");
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    const auto count = [&svg](const std::string& what) {
        std::size_t found = 0;
        for (auto at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++found;
        return found;
    };
    EXPECT_EQ(count("<clipPath"), 2u);       // mmHg, and mmHg per ms
    EXPECT_EQ(count("<polyline"), 3u * 2u);  // three traces, each broken at the gap
    EXPECT_EQ(count(">pressure</text>"), 1u);
    EXPECT_NE(svg.find("mmHg\u00B7ms<tspan"), std::string::npos);
    EXPECT_LT(count(","), 3u * 2u * 1100u + 100u);  // at most two points per pixel column and trace
    EXPECT_LT(svg.size(), 200000u);
}

TEST_F(FilterCommand, VerboseRunSummarisesTheRecordingAndTimesEachPhase) {
    const SyntheticRecording recording{"time (s),a (V)", 0.01, {{0, 100}, {120, 30}}, 3, [](double t) { return t; }};
    const ProcessResult result = filter(recording, {"--block-size", "40", "--verbose"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("130 rows, 1 channel, 2 runs of data in 4 blocks of up to 40 samples, sample interval "
                              "0.01 s"),
              std::string::npos)
        << result.out;
    for (const char* phase : {"read ", "load ", "filter ", "write ", "total "}) {
        EXPECT_NE(result.out.find(phase), std::string::npos) << phase;
    }
}

TEST(InfoCommand, ShowsTheModulesNameAndAnswers) {
    TempFolder folder;
    const ProcessResult result = runSgfilter({"info"}, folder);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Savitzky-Golay\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("0x00010003 (selector 1)"), std::string::npos);
    EXPECT_NE(result.out.find("yes (selector 2 answers 1)"), std::string::npos);
}

}  // namespace
}  // namespace sgf::testing
