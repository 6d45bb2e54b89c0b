#include <gtest/gtest.h>

#include "cli/DialogScript.h"
#include "util/Errors.h"

namespace sgf {
namespace {

using refhost::DialogStep;

std::vector<std::tuple<int, std::optional<int>, std::optional<std::string>>> stepsOf(std::string_view script) {
    std::vector<std::tuple<int, std::optional<int>, std::optional<std::string>>> steps;
    for (const DialogStep& step : parseDialogScript(script)) {
        steps.emplace_back(step.item, step.value ? std::optional<int>(*step.value) : std::nullopt, step.text);
    }
    return steps;
}

TEST(DialogScript, ReadsHitsValuesAndTexts) {
    using Steps = decltype(stepsOf(""));
    EXPECT_EQ(stepsOf("15=4,17:21,1"),
              (Steps{{15, 4, std::nullopt}, {17, std::nullopt, "21"}, {1, std::nullopt, std::nullopt}}));
    EXPECT_EQ(stepsOf(" 6 = 2 , 17: 9 ,2 "),
              (Steps{{6, 2, std::nullopt}, {17, std::nullopt, "9"}, {2, std::nullopt, std::nullopt}}));
    EXPECT_EQ(stepsOf("17:,18=-1"), (Steps{{17, std::nullopt, ""}, {18, -1, std::nullopt}}))
        << "typing nothing is a step";
    EXPECT_EQ(stepsOf("17:a=b:c"), (Steps{{17, std::nullopt, "a=b:c"}})) << "the first separator decides";
    EXPECT_TRUE(stepsOf("  ").empty()) << "an empty script cancels at once";
}

TEST(DialogScript, NamesTheStepItCannotRead) {
    const auto failure = [](std::string_view script) {
        try {
            parseDialogScript(script);
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(failure("15=4,x,1"),
              "--script: step 2 \"x\" does not start with an item number; steps are ITEM, "
              "ITEM=VALUE or ITEM:TEXT, separated by commas");
    EXPECT_EQ(failure("15=four").find("--script: step 1 \"15=four\" has no whole number after \"=\""), 0u);
    EXPECT_EQ(failure("15=").find("--script: step 1 \"15=\" has no whole number"), 0u);
    EXPECT_EQ(failure("1,,2").find("--script: step 2 \"\" does not start"), 0u);
    EXPECT_EQ(failure("0").find("--script: step 1 \"0\" does not start"), 0u);
    EXPECT_EQ(failure("15=40000").find("--script: step 1"), 0u) << "values are the dialog's 16-bit numbers";
    EXPECT_EQ(failure("1,").find("--script: step 2"), 0u);
}

}  // namespace
}  // namespace sgf
