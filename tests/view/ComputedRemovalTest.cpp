#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

class ComputedRemovalTest : public ViewServerTest {
protected:
    httplib::Result remove(int channel) { return post("api/computed/remove", nlohmann::json{{"channel", channel}}.dump()); }
    std::vector<int> numbers(const nlohmann::json& recording) {
        std::vector<int> shown;
        for (const auto& channel : recording["channels"]) shown.push_back(channel["number"]);
        return shown;
    }
};

TEST_F(ComputedRemovalTest, ARemovedChannelTakesItsReadersAndLeavesAHoleThatNoChannelFills) {
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    const int derivative = addComputed({{"source", smoothed}, {"derivative", 1}, {"order", 2}, {"width", 11}});
    const int other = addComputed({{"source", 1}, {"width", 7}});
    const int ofDerivative = addComputed({{"source", derivative}, {"width", 9}});
    const std::string otherTrace = fmt::format("api/trace?channels={}&from=0&to=0.7&columns=300", other);
    const nlohmann::json before = getJson(otherTrace);

    const auto result = remove(smoothed);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const nlohmann::json answer = nlohmann::json::parse(result->body);
    EXPECT_EQ(answer["removed"], nlohmann::json({smoothed, derivative, ofDerivative}));
    EXPECT_EQ(numbers(answer["recording"]), (std::vector<int>{1, 2, other}));
    EXPECT_EQ(numbers(getJson("api/recording")), (std::vector<int>{1, 2, other}));
    // What stays is what it was, and the removed are gone from every request.
    EXPECT_EQ(getJson(otherTrace), before);
    for (const int gone : {smoothed, derivative, ofDerivative}) {
        EXPECT_EQ(get(fmt::format("api/trace?channels={}&from=0&to=0.7&columns=300", gone))->status, 400) << gone;
        EXPECT_EQ(remove(gone)->status, 400) << gone;
        EXPECT_EQ(post("api/dialog", nlohmann::json{{"channel", gone}}.dump())->status, 400) << gone;
        EXPECT_EQ(post("api/computed", nlohmann::json{{"source", gone}}.dump())->status, 400) << gone;
    }
    EXPECT_EQ(remove(1)->status, 400);
    // Numbers are never given twice, and idle work goes round the hole.
    const int added = addComputed({{"source", other}});
    EXPECT_EQ(added, ofDerivative + 1);
    EXPECT_EQ(numbers(getJson("api/recording")), (std::vector<int>{1, 2, other, added}));
    EXPECT_EQ(getJson(fmt::format("api/trace?channels={},{}&from=0&to=0.7&columns=3", other, added))["channels"].size(), 2u);
}

TEST_F(ComputedRemovalTest, TheFilterCommandNumbersItsStagesAsFilterDoesAroundTheHoles) {
    EXPECT_TRUE(getJson("api/recording")["filterCommand"].is_null());
    const int first = addComputed({{"source", 1}});
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    addComputed({{"source", smoothed}, {"derivative", 1}, {"order", 2}, {"width", 11}});
    // As the page showed it before the command came from the server.
    EXPECT_EQ(getJson("api/recording")["filterCommand"],
              fmt::format("sgfilter filter {} -o two-runs-sg.csv --keep-sources \\\n"
                          "    --channel 1 --derivative 0 --order 2 --width 5 --range-index 0 \\\n"
                          "    --then --channel 2 --derivative 0 --order 3 --width 25 --range-index 0 \\\n"
                          "    --then --channel 4 --computed --derivative 1 --order 2 --width 11 --range-index 0",
                          shellWord(recording_.string())));
    ASSERT_EQ(remove(first)->status, 200);
    // The smoothing is filter's stage 1 now, its output channel 3.
    EXPECT_EQ(getJson("api/recording")["filterCommand"],
              fmt::format("sgfilter filter {} -o two-runs-sg.csv --keep-sources \\\n"
                          "    --channel 2 --derivative 0 --order 3 --width 25 --range-index 0 \\\n"
                          "    --then --channel 3 --computed --derivative 1 --order 2 --width 11 --range-index 0",
                          shellWord(recording_.string())));
    ASSERT_EQ(remove(smoothed)->status, 200);
    EXPECT_TRUE(getJson("api/recording")["filterCommand"].is_null());
}

TEST(FilterCommandLine, WordsAShellWouldSplitOtherwiseAreQuoted) {
    EXPECT_EQ(shellWord("rec/a-b_c.edf"), "rec/a-b_c.edf");
    EXPECT_EQ(shellWord("my rec.csv"), "'my rec.csv'");
    EXPECT_EQ(shellWord("it's$x"), "'it'\\''s$x'");
    EXPECT_EQ(shellWord(""), "''");
    const FilterCommandLine command{{"filter", "a b", "-o", "x"}, {{"--channel", "1"}, {"--channel", "3", "--computed"}}};
    EXPECT_EQ(command.words(), (std::vector<std::string>{"filter", "a b", "-o", "x", "--channel", "1", "--then", "--channel",
                                                         "3", "--computed"}));
    EXPECT_EQ(command.text(), "sgfilter filter 'a b' -o x \\\n    --channel 1 \\\n    --then --channel 3 --computed");
}

}  // namespace
}  // namespace sgf::testing
