#include <gtest/gtest.h>

#include "recording/StagePlan.h"
#include "stagesettings/SettingsFile.h"
#include "sgfilter/TempFolder.h"
#include "util/Errors.h"

namespace sgf {
namespace {

using testing::TempFolder;

std::string failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no failure";
}

TEST(SettingRanges, MatchTheModulesRangesAndRefuseEvenWidths) {
    EXPECT_FALSE(settingProblem(kWidthSetting, 5));
    EXPECT_FALSE(settingProblem(kWidthSetting, 201));
    EXPECT_EQ(*settingProblem(kWidthSetting, 203), "must be odd and from 5 to 201, not 203");
    EXPECT_NE(settingProblem(kWidthSetting, 6)->find("must be odd"), std::string::npos);
    EXPECT_TRUE(settingProblem(kOrderSetting, 7));
    EXPECT_FALSE(settingProblem(kRangeIndexSetting, -3));
    EXPECT_TRUE(settingProblem(kRangeIndexSetting, 10));
    EXPECT_TRUE(settingProblem(kDerivativeSetting, -1));
}

TEST(SettingsFile, AppliesWhatItGivesAndKeepsTheRest) {
    TempFolder folder;
    const auto file = folder.write("s.json", R"({"channel": 2, "derivative": 1, "width": 31})");
    FilterSettings settings;
    settings.order = 4;
    applySettingsFile(file, settings);
    EXPECT_EQ(settings.channel, "2");
    EXPECT_EQ(settings.derivative, 1);
    EXPECT_EQ(settings.width, 31);
    EXPECT_EQ(settings.order, 4);
    EXPECT_FALSE(settings.computed);
}

TEST(SettingsFile, ReportsProblemsWithTheLineOfTheSetting) {
    TempFolder folder;
    FilterSettings settings;
    const auto check = [&](const std::string& text, const std::string& expected) {
        const auto file = folder.write("s.json", text);
        EXPECT_EQ(failureOf([&] { applySettingsFile(file, settings); }), (folder / "s.json").string() + expected);
    };
    check("{\n  \"order\": 3,\n  \"width\": 300\n}", ":3: width must be odd and from 5 to 201, not 300");
    check("{\n  \"widht\": 5\n}",
          ":2: widht is not a setting; the settings are channel, computed, derivative, order, "
          "width and range-index");
    check("{\"computed\": 1}", ":1: computed must be true or false");
    check("{\"order\": 2.5}", ":1: order must be a whole number");
    check("[1]", ":1: expected a JSON object of settings");
    EXPECT_NE(failureOf([&] {
                  applySettingsFile(folder.write("s.json", "{\n\"order\": }"), settings);
              }).find("s.json:2: not valid JSON"),
              std::string::npos);
}

RecordingDescription twoChannelTable() {
    RecordingDescription table;
    table.file = "r.csv";
    for (const char* label : {"pressure", "ecg"}) table.channels.emplace_back().label = label;
    return table;
}

TEST(StagePlan, LaterStagesReadThePreviousOutputUnlessTold) {
    FilterSettings first;
    first.channel = "ecg";
    const std::vector<PlannedStage> stages = planStages({first, FilterSettings{}}, twoChannelTable());
    EXPECT_EQ(stages[0].sourceChannel, 2);
    EXPECT_EQ(stages[0].outputChannel, 3);
    EXPECT_FALSE(stages[0].settings.computed);
    EXPECT_EQ(stages[1].sourceChannel, 3);
    EXPECT_EQ(stages[1].outputChannel, 4);
    EXPECT_TRUE(stages[1].settings.computed);
    EXPECT_EQ(planStages({FilterSettings{}}, twoChannelTable())[0].sourceChannel, 1);
}

TEST(StagePlan, RefusesSourcesAStageCannotRead) {
    const RecordingDescription table = twoChannelTable();
    const auto failure = [&](std::vector<std::pair<std::string, bool>> sources) {
        std::vector<FilterSettings> stages;
        for (const auto& [channel, computed] : sources) {
            FilterSettings settings;
            settings.channel = channel;
            settings.computed = computed;
            stages.push_back(settings);
        }
        return failureOf([&] { planStages(stages, table); });
    };
    EXPECT_EQ(
        failure({{"flow", false}}),
        "r.csv:1: no channel \"flow\"; the file's channels are 1 \"pressure\", 2 \"ecg\", and the stage's output is 3");
    EXPECT_EQ(failure({{"0", false}}).find("r.csv:1: no channel 0;"), 0u);
    EXPECT_EQ(failure({{"1", false}, {"5", true}}).find("r.csv:1: no channel 5;"), 0u);
    EXPECT_EQ(failure({{"1", true}}),
              "stage 1: channel 1 \"pressure\" is recorded and has no computed values; "
              "--computed reads the output of an earlier stage");
    EXPECT_EQ(failure({{"1", false}, {"3", false}}),
              "stage 2: channel 3 (the output of stage 1) has computed values only; add --computed to read them");
    EXPECT_EQ(
        failure({{"1", false}, {"4", true}}).find("stage 2: channel 4 (the output of stage 2) does not exist yet"), 0u);

    RecordingDescription twins = table;
    twins.channels[1].label = "pressure";
    EXPECT_EQ(failureOf([&] { planStages({FilterSettings{"pressure"}}, twins); }),
              "r.csv:1: channels 1 and 2 are all named \"pressure\"; give the channel's number");
}

}  // namespace
}  // namespace sgf
