// sgfilter settings, run as a user runs it: the module's dialog answered by a script or by lines
// on standard input, the settings file it saves, and `filter` using that file.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "sgfilter/SgfilterProcess.h"

namespace sgf::testing {
namespace {

class SettingsCommand : public ::testing::Test {
protected:
    // runBuilt gives the program no standard input; here `typed` is what the person types.
    ProcessResult settings(const std::vector<std::string>& options, const std::string& typed = "") {
        const auto input = folder.write("typed.txt", typed);
        std::string command = runPrefix() + shellQuoted(std::string(SG_BUILD_DIR) + "/sgfilter") +
                              " settings --settings " + shellQuoted(file().string());
        for (const std::string& option : options) command.append(" ").append(shellQuoted(option));
        const auto out = folder / "out.txt";
        const auto err = folder / "err.txt";
        command +=
            " <" + shellQuoted(input.string()) + " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
        const int status = std::system(command.c_str());
        ProcessResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(out), readText(err)};
        for (const auto& scratch : {input, out, err}) std::filesystem::remove(scratch);
        return result;
    }
    nlohmann::json saved() const { return nlohmann::json::parse(readText(file())); }
    std::filesystem::path file() const { return folder / "stage.json"; }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }

    TempFolder folder;
};

nlohmann::json settingsJson(int channel, bool computed, int derivative, int order, int width, int rangeIndex) {
    return {{"channel", channel}, {"computed", computed}, {"derivative", derivative},
            {"order", order},     {"width", width},       {"range-index", rangeIndex}};
}

TEST_F(SettingsCommand, ScriptedOKSavesTheSixReportedSettingsOverTheFilesOwn) {
    folder.write("stage.json", R"({"derivative": 2, "order": 3, "width": 9, "range-index": 4})");
    // Another source, its computed values, first derivative, order 4, typed width 21.
    ProcessResult result = settings({"--channel", "3", "--script", "6=1,10,13=2,15=3,17:21,1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(saved(), settingsJson(1, true, 1, 4, 21, 4)) << "the range index is the file's, which the dialog keeps";
    EXPECT_EQ(result.out, "saved " + file().string() +
                              ": first derivative of channel 1 (computed values), order 4, width 21, range index 4\n");

    // OK alone saves what the dialog opened with: the file's settings.
    folder.write("stage.json", R"({"channel": 1, "computed": true, "derivative": 2, "order": 6, "width": 9})");
    result = settings({"--channel", "2", "--script", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(saved(), settingsJson(1, true, 2, 6, 9, 0));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(SettingsCommand, CancelAndScriptsThatRunOutLeaveTheFileAsItWas) {
    const std::string original = "{ \"width\": 9 }";
    folder.write("stage.json", original);
    for (const char* script : {"15=4,17:21,2", "15=4,17:21", ""}) {
        const ProcessResult result = settings({"--channel", "1", "--script", script});
        EXPECT_EQ(result.exitCode, 0) << script << ": " << result.err;
        EXPECT_EQ(result.out, "cancelled, nothing saved\n") << script;
        EXPECT_EQ(readText(file()), original) << script;
        EXPECT_EQ(filesInFolder(), 1u) << script;
    }
    std::filesystem::remove(file());
    EXPECT_EQ(settings({"--channel", "1", "--script", "2"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(file())) << "Cancel creates no file";
}

TEST_F(SettingsCommand, APersonAtTheTerminalSeesTheDialogAndSaves) {
    const ProcessResult result = settings({"--channel", "2"}, "15 4\nseven\n1\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Savitzky-Golay settings: Channel 2\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("    6  Source channel:  1) Channel 1  [2) Channel 2]\n"), std::string::npos);
    EXPECT_NE(result.out.find("   15  Polynomial order:  1) 2  2) 3  3) 4  [4) 5]  5) 6\n"), std::string::npos);
    EXPECT_NE(result.out.find("\"seven\" is not one of the item numbers"), std::string::npos);
    EXPECT_EQ(saved(), settingsJson(2, false, 0, 5, 7, 0)) << "order 5 needs 7 points";

    const ProcessResult ended = settings({"--channel", "2"}, "15 2\n");
    EXPECT_EQ(ended.exitCode, 0);
    EXPECT_NE(ended.out.find("(end of input: Cancel)\ncancelled, nothing saved\n"), std::string::npos) << ended.out;
    EXPECT_EQ(saved(), settingsJson(2, false, 0, 5, 7, 0));
}

TEST_F(SettingsCommand, FilterTakesTheSavedSettings) {
    std::string csv = "time (s),level (V),flow (l/s)\n";
    for (int sample = 0; sample < 200; ++sample) {
        const double t = sample * 0.01;
        csv += fmt::format("{:.2f},{:.6f},{:.6f}\n", t, std::sin(7.0 * t), 0.2 * t * t + std::cos(3.0 * t));
    }
    const auto input = folder.write("rec.csv", csv);

    // Channel 3 is the output of the first filter stage; its source is the file's channel 2.
    const ProcessResult result =
        settings({"--channel", "3", "--input", input.string(), "--script", "6=2,13=2,15=2,17:11,1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(saved(), settingsJson(2, false, 1, 3, 11, 0));

    const auto filter = [&](std::vector<std::string> options, const std::string& output) {
        std::vector<std::string> arguments{"filter", input.string(), "-o", (folder / output).string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ProcessResult run = runSgfilter(arguments, folder);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return readText(folder / output);
    };
    const std::string fromFile = filter({"--settings", file().string()}, "from-file.csv");
    EXPECT_EQ(fromFile,
              filter({"--channel", "flow", "--derivative", "1", "--order", "3", "--width", "11"}, "given.csv"));
    EXPECT_NE(fromFile,
              filter({"--channel", "level", "--derivative", "1", "--order", "3", "--width", "11"}, "other.csv"))
        << "the file chose the channel";
}

TEST_F(SettingsCommand, RefusesWhatItCannotUse) {
    ProcessResult result = settings({"--channel", "1", "--script", "15=x"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--script: step 1 \"15=x\""), std::string::npos) << result.err;

    folder.write("stage.json", R"({"channel": "pressure"})");
    result = settings({"--channel", "2", "--script", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "sgfilter: " + file().string() +
                              ": no channel \"pressure\"; the channels are 1 \"Channel 1\", 2 \"Channel 2\"\n");
    EXPECT_EQ(readText(file()), R"({"channel": "pressure"})");

    std::filesystem::remove(file());
    result = settings({"--channel", "2", "--script", "6=3,1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "sgfilter: the channel did not take the settings reported on OK (smoothing of channel 3, "
              "order 2, width 5, range index 0); it holds smoothing of channel 2, order 2, width 5, range "
              "index 0; nothing saved\n")
        << "the recording has no channel 3";
    EXPECT_FALSE(std::filesystem::exists(file()));

    result = settings({"--channel", "1", "--script", "1", "--module", (folder / "missing.so").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(result.err.empty());
}

}  // namespace
}  // namespace sgf::testing
