// No value of an EDF+ or BDF+ output is clipped: every signal sgfilter writes, read back by EDFlib,
// lies within half a step of the same run's CSV, for smoothing and both derivatives, 16- and
// 24-bit, from 1 Hz to 2 kHz, whatever range the module shows them in; and an inverted scaling
// keeps its step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "sgfilter/EdfBytes.h"
#include "sgfilter/EdflibHeader.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/SgfilterProcess.h"

namespace sgf::testing {
namespace {

// A value in units "uV.ms^-2_" (the CSV's) or "uV/ms^2" (EDF's) is worth this many of the same
// units with neither prefix: only the prefixes these recordings can be given.
double prefixScale(std::string units) {
    while (!units.empty() && units.back() == '_') units.pop_back();
    static const std::map<std::string, double> kNumerators{{"nV", 1e-9}, {"uV", 1e-6}, {"mV", 1e-3}, {"V", 1.0}, {"kV", 1e3}};
    const std::size_t split = units.find_first_of("./");
    const double numerator = kNumerators.at(units.substr(0, split));
    if (split == std::string::npos) return numerator;
    const std::string below = units.substr(split + 1);
    const int power = below.find('2') != std::string::npos ? 2 : 1;
    return numerator / std::pow(below.starts_with("ms") ? 1e-3 : 1.0, power);
}

std::string unitsInHeading(const std::string& heading) {
    return heading.substr(heading.rfind('(') + 1, heading.rfind(')') - heading.rfind('(') - 1);
}

// Slow waves with a sharp spike every 0.37 s, near the top of the digital range: the spikes'
// slopes reach far past any range shown for a derivative.
EdfTestFile spikyRecording(double rate, bool is24Bit, bool inverted) {
    EdfTestFile file;
    file.is24Bit = is24Bit;
    const int full = is24Bit ? 8388607 : 32767;
    const double physical = is24Bit ? 262144.0 : 3276.8;
    const int perRecord = static_cast<int>(rate);
    const std::size_t records = rate < 10 ? 40 : 6;
    file.onsets = recordOnsets(records, 1.0);
    const auto spikeEvery = static_cast<std::size_t>(std::max(3.0, 0.37 * rate));
    file.signals = {{"EEG", "uV", inverted ? physical - physical / (full + 1) : -physical,
                     inverted ? -physical : physical - physical / (full + 1), -full - 1, full, perRecord,
                     [=](std::size_t i) {
                         const double t = static_cast<double>(i) / rate;
                         const double wave = 0.3 * full * std::sin(2.0 * M_PI * 1.3 * t) + 0.05 * full * std::sin(40.0 * t);
                         return static_cast<int>(std::lround(wave + (i % spikeEvery == 0 ? 0.6 * full : 0.0)));
                     }}};
    return file;
}

struct Written {
    CsvText csv;
    EdflibHeader edf;
};

Written filterBoth(const TempFolder& folder, const EdfTestFile& file, const std::vector<std::string>& stages) {
    const auto input = folder.write(file.is24Bit ? "in.bdf" : "in.edf", file.bytes());
    const std::string edfName = file.is24Bit ? "out.bdf" : "out.edf";
    for (const std::string& output : {edfName, std::string("out.csv")}) {
        std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / output).string()};
        arguments.insert(arguments.end(), stages.begin(), stages.end());
        const ProcessResult result = runSgfilter(arguments, folder);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    EdflibHeader header(new edf_hdr_struct{});
    EXPECT_EQ(edfopen_file_readonly((folder / edfName).c_str(), header.get(), EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
        << "EDFlib error " << header->filetype;
    return {parseCsv(readText(folder / "out.csv")), std::move(header)};
}

// Every sample of EDF signal `signal` against CSV column `signal + 1`, in the CSV's units.
void expectWithinHalfAStep(const Written& written, int signal) {
    const edf_param_struct& param = written.edf->signalparam[signal];
    const std::string heading = written.csv.header.at(static_cast<std::size_t>(signal) + 1);
    std::string units = param.physdimension;
    units.erase(units.find_last_not_of(' ') + 1);
    const double toCsvUnits = prefixScale(units) / prefixScale(unitsInHeading(heading));
    const std::vector<double> expected = written.csv.column(static_cast<std::size_t>(signal) + 1);
    std::vector<double> read(expected.size());
    ASSERT_EQ(edfread_physical_samples(written.edf->handle, signal, static_cast<int>(read.size()), read.data()),
              static_cast<int>(read.size()));
    const double step = (param.phys_max - param.phys_min) / (param.dig_max - param.dig_min) * toCsvUnits;
    // The CSV itself is rounded to its decimals.
    const double csvHalfDecimal = 0.5 * std::pow(10.0, -decimalsOf(written.csv.rows.front().at(static_cast<std::size_t>(signal) + 1)));
    for (std::size_t i = 0; i < read.size(); ++i) {
        ASSERT_NEAR(read[i] * toCsvUnits, expected[i], 0.5 * step + csvHalfDecimal + 1e-9 * std::fabs(expected[i]))
            << heading << " as " << param.label << " in " << param.physdimension << ", sample " << i << " of " << read.size();
    }
}

class EdfOutputRange : public ::testing::TestWithParam<std::tuple<double, bool>> {};

// The first derivative is shown at a thousandth of its estimated full scale, which its values pass.
TEST_P(EdfOutputRange, EveryValueOfEverySignalIsWithinHalfAStepOfTheCsv) {
    const auto [rate, is24Bit] = GetParam();
    TempFolder folder;
    const Written written = filterBoth(folder, spikyRecording(rate, is24Bit, false),
                                       {"--channel", "EEG", "--order", "3", "--width", "7", "--then", "--channel", "EEG",
                                        "--derivative", "1", "--order", "3", "--width", "7", "--range-index", "9",
                                        "--then", "--channel", "EEG", "--derivative", "2", "--order", "4", "--width",
                                        "9"});
    ASSERT_EQ(written.edf->edfsignals, 3);
    for (int signal = 0; signal < 3; ++signal) expectWithinHalfAStep(written, signal);
}

INSTANTIATE_TEST_SUITE_P(RatesAndDepths, EdfOutputRange,
                         ::testing::Combine(::testing::Values(1.0, 128.0, 512.0, 2000.0), ::testing::Bool()),
                         [](const auto& param) {
                             return fmt::format("{}Hz{}", std::get<0>(param.param), std::get<1>(param.param) ? "Bdf" : "Edf");
                         });

TEST(EdfOutputRange, ASmoothingThatOvershootsItsCsvSourcesLargestValueIsNotClipped) {
    TempFolder folder;
    // A square wave: a smoothing rings past its edges, beyond the largest value recorded, which
    // is the full scale of a CSV channel.
    std::string csv = "time (s),EEG (uV)\n";
    for (int row = 0; row < 2048; ++row) csv += fmt::format("{:.6f},{}\n", row / 500.0, (row / 40) % 2 == 0 ? 125 : -125);
    const auto input = folder.write("in.csv", csv);
    std::vector<std::string> stages{"--channel", "EEG", "--order", "6", "--width", "11"};
    for (const std::string output : {"out.edf", "out.csv"}) {
        std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / output).string()};
        arguments.insert(arguments.end(), stages.begin(), stages.end());
        const ProcessResult result = runSgfilter(arguments, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    Written written{parseCsv(readText(folder / "out.csv")), EdflibHeader(new edf_hdr_struct{})};
    ASSERT_EQ(edfopen_file_readonly((folder / "out.edf").c_str(), written.edf.get(), EDFLIB_DO_NOT_READ_ANNOTATIONS), 0);
    const std::vector<double> smoothed = written.csv.column(1);
    ASSERT_GT(*std::max_element(smoothed.begin(), smoothed.end()), 130.0);
    expectWithinHalfAStep(written, 0);
}

TEST(EdfOutputRange, AnInvertedScalingKeepsItsStepWhenSmoothed) {
    TempFolder folder;
    const EdfTestFile file = spikyRecording(256.0, false, true);
    const Written written = filterBoth(folder, file, {"--channel", "EEG", "--order", "3", "--width", "7"});
    const edf_param_struct& param = written.edf->signalparam[0];
    const double inputStep = std::fabs(file.physicalOf(file.signals[0], 1) - file.physicalOf(file.signals[0], 0));
    EXPECT_LE((param.phys_max - param.phys_min) / (param.dig_max - param.dig_min), inputStep);
    expectWithinHalfAStep(written, 0);
}

}  // namespace
}  // namespace sgf::testing
