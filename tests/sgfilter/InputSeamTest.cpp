// A format that exists only here, registered beside the built-in ones: `filter` and `info` read
// it with no change anywhere else, its gaps becoming runs with one-sided windows at their ends.
#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "formats/InputFormats.h"
#include "input/DigitalScaling.h"
#include "input/EvenRowTimes.h"
#include "sgfilter/RecordingFiles.h"
#include "sgfilter/TempFolder.h"
#include "support/LeastSquaresOracle.h"
#include "util/Errors.h"

namespace sgf::testing {
namespace {

// "TALLY <rate> <label> <units> <step>", then one digital value a line; a line "gap" ends a run.
class TallyRecording final : public InputRecording {
public:
    TallyRecording(const std::filesystem::path& file, const ChannelChoice& choose) {
        std::ifstream in(file);
        std::string magic, label, units;
        double rate = 0.0, step = 0.0;
        in >> magic >> rate >> label >> units >> step;
        description_.file = file;
        description_.format = "tally";
        std::size_t runStart = 0;
        for (std::string line; in >> line;) {
            if (line == "gap") {
                if (digital_.size() > runStart) layout_.runs.push_back({runStart, digital_.size() - runStart});
                runStart = digital_.size();
                continue;
            }
            int value = 0;
            std::from_chars(line.data(), line.data() + line.size(), value);
            digital_.push_back(value);
        }
        layout_.runs.push_back({runStart, digital_.size() - runStart});
        layout_.sampleInterval = 1.0 / rate;
        InputChannel& channel = description_.channels.emplace_back();
        channel.label = label;
        channel.units = units;
        channel.rate = rate;
        channel.sampleCount = digital_.size();
        channel.scaling = digitalScaling(32768, step, 0.0, units);
        channel.resolution = step;
        choose(description_);
        times_ = std::make_unique<EvenRowTimes>(rate);
        rates_ = {{layout_.sampleInterval, 1, 2, times_.get()}};
        channelRates_ = {0};
    }

    void readStored(std::size_t, std::size_t firstSample, std::span<float> values) const override {
        for (std::size_t index = 0; index < values.size(); ++index) {
            values[index] = storedDigital(digital_.at(firstSample + index), description_.channels[0].scaling);
        }
    }

private:
    std::vector<int32_t> digital_;
    std::unique_ptr<EvenRowTimes> times_;
};

void runCommand(const std::string& commandLine) {
    CLI::App application;
    addFilterCommand(application);
    addInfoCommand(application);
    application.parse(commandLine, false);
}

TEST(InputSeam, AFormatRegisteredOutsideTheProgramIsFilteredAndListedWithItsRuns) {
    inputFormats().add({"tally", {".tally"}, [](std::string_view head) { return head.starts_with("TALLY "); },
                        [](const std::filesystem::path& file, const OpenRequest& request) {
                            return std::make_unique<TallyRecording>(file, request.choose);
                        }});
    TempFolder folder;
    std::vector<std::vector<long double>> runs(2);
    std::ostringstream text;
    text << "TALLY 50 Breath L 0.01\n";
    for (std::size_t run = 0; run < runs.size(); ++run) {
        for (int sample = 0; sample < 40; ++sample) {
            const int digital = (sample - 20) * (sample - 20) * static_cast<int>(run + 1) + sample % 3;
            text << digital << "\n";
            runs[run].push_back(0.01L * digital);
        }
        if (run == 0) text << "gap\n";
    }
    // Named with no extension of the format's: its first bytes tell.
    const auto input = folder.write("breathing.txt", text.str());
    const std::string module = std::string(SG_BUILD_DIR) + "/SavitzkyGolay.so";

    ::testing::internal::CaptureStdout();
    runCommand(fmt::format("info {} --module {}", input.string(), module));
    const std::string info = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(info.find("tally, 1 channel, 80 samples each at 50 Hz, 2 runs of data"), std::string::npos) << info;
    EXPECT_NE(info.find("Breath"), std::string::npos) << info;

    runCommand(fmt::format("filter {} -o {} --module {} --order 2 --width 7", input.string(),
                           (folder / "out.csv").string(), module));
    const CsvText output = parseCsv(readText(folder / "out.csv"));
    ASSERT_EQ(output.rows.size(), 80u);
    for (std::size_t run = 0; run < runs.size(); ++run) {
        const std::vector<long double> expected = oracle::FilterRun(runs[run], 7, 2, 0);
        for (std::size_t sample = 0; sample < expected.size(); ++sample) {
            const std::vector<std::string>& row = output.rows[run * 40 + sample];
            EXPECT_NEAR(std::stod(row.at(0)), static_cast<double>(run * 40 + sample) / 50, 1e-9);
            ASSERT_NEAR(std::stod(row.at(1)), static_cast<double>(expected[sample]), 0.006) << run << " " << sample;
        }
    }
}

}  // namespace
}  // namespace sgf::testing
