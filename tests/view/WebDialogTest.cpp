#include <cmath>
#include <map>

#include "sgfilter/SgfilterProcess.h"
#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

const nlohmann::json* itemOf(const nlohmann::json& state, int number) {
    for (const auto& item : state["dialog"]["items"]) {
        if (item["number"] == number) return &item;
    }
    return nullptr;
}

class WebDialogTest : public ViewServerTest {
protected:
    nlohmann::json postJson(const std::string& below, const nlohmann::json& body, int status = 200) {
        const auto result = post(below, body.dump());
        EXPECT_TRUE(result) << below << ": " << httplib::to_string(result.error());
        if (!result) return {};
        EXPECT_EQ(result->status, status) << below << " " << body.dump() << ": " << result->body;
        return nlohmann::json::parse(result->body);
    }
};

TEST_F(WebDialogTest, TheModulesRulesRunBetweenHitsAndOkAppliesWhatItReports) {
    const int smoothed = addComputed({{"source", 2}});
    nlohmann::json state = postJson("api/dialog", {{"channel", smoothed}});
    ASSERT_TRUE(state["open"].get<bool>());
    EXPECT_EQ(state["dialog"]["title"], "Savitzky-Golay settings: Savitzky-Golay of pressure");
    const nlohmann::json* width = itemOf(state, 18);
    ASSERT_NE(width, nullptr);
    EXPECT_EQ((*width)["control"]["value"], 5.0);
    // Another channel is the source, so its computed values could be chosen.
    EXPECT_TRUE((*itemOf(state, 10))["enabled"].get<bool>());
    EXPECT_TRUE((*itemOf(state, 9))["checked"].get<bool>());

    // While the dialog holds the module, nothing else may call it.
    const auto during = get("api/trace?channels=3&from=0&to=0.1&columns=10");
    ASSERT_TRUE(during);
    EXPECT_EQ(during->status, 409);
    postJson("api/computed", {{"source", 1}}, 409);
    postJson("api/dialog", {{"channel", smoothed}}, 409);
    // Hits a person could not make are refused, and the dialog goes on.
    postJson("api/dialog/hit", {{"item", 3}}, 400);
    postJson("api/dialog/hit", {{"item", 15}, {"value", 9}}, 400);
    postJson("api/dialog/hit", {{"item", 99}}, 400);

    // Order 5 with the width at 5: the module moves the width to 7 and makes it the smallest.
    state = postJson("api/dialog/hit", {{"item", 15}, {"value", 4}});
    ASSERT_TRUE(state["open"].get<bool>());
    EXPECT_EQ((*itemOf(state, 15))["value"], 4);
    EXPECT_EQ((*itemOf(state, 18))["control"]["value"], 7.0);
    EXPECT_EQ((*itemOf(state, 18))["control"]["first"], 2);
    state = postJson("api/dialog/hit", {{"item", 1}});
    ASSERT_FALSE(state["open"].get<bool>());
    EXPECT_TRUE(state["result"]["confirmed"].get<bool>());

    const nlohmann::json recording = getJson("api/recording");
    EXPECT_EQ(recording["channels"][2]["settings"]["order"], 5);
    EXPECT_EQ(recording["channels"][2]["settings"]["width"], 7);
    // The blocks computed at the old settings are computed again at the new.
    const auto output = folder_ / "filtered.csv";
    const ProcessResult filtered = runSgfilter({"filter", recording_.string(), "-o", output.string(), "--block-size",
                                                "64", "--channel", "pressure", "--order", "5", "--width", "7"},
                                               folder_);
    ASSERT_EQ(filtered.exitCode, 0) << filtered.err;
    const CsvText expected = parseCsv(readText(output));
    const nlohmann::json trace = getJson("api/trace?channels=3&from=0&to=0.299&columns=2000");
    ASSERT_EQ(trace["times"].size(), 300u);
    for (std::size_t row = 0; row < 300; ++row) {
        const std::string& text = expected.rows[row][1];
        EXPECT_NEAR(trace["channels"][0]["min"][row].get<double>(), std::stod(text),
                    0.5 * std::pow(10.0, -decimalsOf(text)) + 1e-9)
            << row;
    }
}

// The page places each item where the module's resource puts it: in the dialog, clear of the
// others a person uses, the source choice inside its frame.
TEST_F(WebDialogTest, EveryItemHasItsPlaceAndNoneHidesAnother) {
    const nlohmann::json state = postJson("api/dialog", {{"channel", addComputed({{"source", 2}})}});
    const auto& size = state["dialog"]["size"];
    ASSERT_EQ(size.size(), 2u);
    struct Box { int left, top, right, bottom; };
    std::map<int, Box> boxes;
    for (const auto& item : state["dialog"]["items"]) {
        ASSERT_TRUE(item.contains("box")) << item["number"];
        const auto& box = item["box"];
        const Box placed{box[0], box[1], box[0].get<int>() + box[2].get<int>(), box[1].get<int>() + box[3].get<int>()};
        EXPECT_LE(placed.right, size[0].get<int>()) << item["number"];
        EXPECT_LE(placed.bottom, size[1].get<int>()) << item["number"];
        if (item["kind"] != "user") boxes[item["number"]] = placed;
    }
    EXPECT_EQ(boxes.size(), 14u);
    for (const auto& [number, box] : boxes) {
        for (const auto& [other, otherBox] : boxes) {
            const bool overlap = number < other && box.left < otherBox.right && otherBox.left < box.right &&
                                 box.top < otherBox.bottom && otherBox.top < box.bottom;
            EXPECT_FALSE(overlap) << number << " and " << other;
        }
    }
    const auto& frame = (*itemOf(state, 11))["box"];
    const int frameRight = frame[0].get<int>() + frame[2].get<int>();
    const int frameBottom = frame[1].get<int>() + frame[3].get<int>();
    for (const int radio : {9, 10}) {
        const Box& box = boxes[radio];
        EXPECT_TRUE(box.left >= frame[0] && box.top >= frame[1] && box.right <= frameRight && box.bottom <= frameBottom)
            << radio;
    }
    postJson("api/dialog/hit", {{"item", 2}});
}

TEST_F(WebDialogTest, CancelLeavesTheChannelAsItWas) {
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    const nlohmann::json before = getJson("api/trace?channels=3&from=0&to=0.2&columns=500");
    postJson("api/dialog", {{"channel", smoothed}});
    postJson("api/dialog/hit", {{"item", 13}, {"value", 2}});
    postJson("api/dialog/hit", {{"item", 17}, {"text", "41"}});
    const nlohmann::json state = postJson("api/dialog/hit", {{"item", 2}});
    EXPECT_FALSE(state["result"]["confirmed"].get<bool>());
    const nlohmann::json settings = getJson("api/recording")["channels"][2]["settings"];
    EXPECT_EQ(settings["derivative"], 0);
    EXPECT_EQ(settings["width"], 25);
    EXPECT_EQ(getJson("api/trace?channels=3&from=0&to=0.2&columns=500"), before);
    // Only a computed channel has a dialog, and a hit needs an open one.
    postJson("api/dialog", {{"channel", 1}}, 400);
    postJson("api/dialog/hit", {{"item", 1}}, 400);
}

TEST_F(WebDialogTest, APageThatLoadsWhileTheDialogIsOpenTakesItOverWhereItIs) {
    const int smoothed = addComputed({{"source", 2}});
    EXPECT_EQ(getJson("api/dialog"), nlohmann::json({{"open", false}}));
    postJson("api/dialog", {{"channel", smoothed}});
    postJson("api/dialog/hit", {{"item", 15}, {"value", 4}});

    // The reloaded page: the module is still the dialog's, and the dialog is where it was left.
    EXPECT_EQ(get("api/recording")->status, 409);
    nlohmann::json state = getJson("api/dialog");
    ASSERT_TRUE(state["open"].get<bool>());
    EXPECT_EQ(state["channel"], smoothed);
    EXPECT_EQ(state["dialog"]["title"], "Savitzky-Golay settings: Savitzky-Golay of pressure");
    EXPECT_EQ((*itemOf(state, 15))["value"], 4);
    EXPECT_EQ((*itemOf(state, 18))["control"]["value"], 7.0);
    // Asking again changes nothing.
    EXPECT_EQ(getJson("api/dialog"), state);

    state = postJson("api/dialog/hit", {{"item", 17}, {"text", "11"}});
    EXPECT_EQ((*itemOf(state, 18))["control"]["value"], 11.0);
    state = postJson("api/dialog/hit", {{"item", 1}});
    ASSERT_FALSE(state["open"].get<bool>());
    EXPECT_TRUE(state["result"]["confirmed"].get<bool>());
    EXPECT_EQ(getJson("api/dialog"), nlohmann::json({{"open", false}}));
    const nlohmann::json settings = getJson("api/recording")["channels"][2]["settings"];
    EXPECT_EQ(settings["order"], 5);
    EXPECT_EQ(settings["width"], 11);
}

TEST_F(WebDialogTest, StoppingTheServerCancelsAnOpenDialog) {
    const int smoothed = addComputed({{"source", 2}});
    ASSERT_TRUE(postJson("api/dialog", {{"channel", smoothed}})["open"].get<bool>());
    // TearDown stops the server with the module's call still waiting for a hit; it must end.
}

}  // namespace
}  // namespace sgf::testing
