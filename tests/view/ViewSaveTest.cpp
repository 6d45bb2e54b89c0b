#include <sys/stat.h>

#include <chrono>
#include <regex>

#include "sgfilter/SgfilterProcess.h"
#include "view/ViewServerFixture.h"

namespace sgf::testing {
namespace {

std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

// The words a shell makes of the command's text, quotes and line breaks undone.
std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    const std::regex word(R"('((?:[^']|'\\'')*)'|([^\s\\]+))");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), word); match != std::sregex_iterator(); ++match) {
        words.push_back((*match)[1].matched ? std::regex_replace((*match)[1].str(), std::regex(R"('\\'')"), "'") : (*match)[2].str());
    }
    return words;
}

class ViewSaveTest : public ViewServerTest {
protected:
    void serveWith(SaveTarget target) {
        server_->stop();
        serving_.join();
        server_ = std::make_unique<ViewServer>(*session_, 0, PageFiles{}, std::move(target));
        serving_ = std::thread([this] { server_->run(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_read_timeout(120, 0);
    }
    // A stand-in for sgfilter that accepts the job, writes part of its output and then waits to be ended.
    SaveTarget slowSaver(const std::filesystem::path& folder = {}) {
        const auto program = folder_.write("slow-sgfilter", R"(#!/bin/sh
while [ $# -gt 0 ]; do [ "$1" = -o ] && out=$2; shift; done
echo partial > "$out"
echo 0 >&3
exec sleep 60
)");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        return {program, folder};
    }
    nlohmann::json save(const std::string& format, int status = 202) {
        const auto result = post("api/save", nlohmann::json{{"format", format}}.dump());
        EXPECT_TRUE(result);
        if (!result) return {};
        EXPECT_EQ(result->status, status) << result->body;
        return nlohmann::json::parse(result->body);
    }
    nlohmann::json finished() {
        for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60); std::chrono::steady_clock::now() < until;) {
            const nlohmann::json state = getJson("api/save");
            if (state["state"] != "running") return state;
            EXPECT_GE(state["progress"].get<double>(), 0.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the save did not end";
        return {};
    }
};

TEST_F(ViewSaveTest, TheSavedFileIsWhatItsCommandWritesAndASecondSaveTakesTheNextName) {
    EXPECT_EQ(getJson("api/save"), nlohmann::json({{"state", "none"}}));
    save("csv", 400);  // nothing computed yet
    const int smoothed = addComputed({{"source", 2}, {"order", 3}, {"width", 25}});
    addComputed({{"source", smoothed}, {"derivative", 1}, {"order", 2}, {"width", 11}});
    const std::size_t descriptors = openDescriptors();
    const nlohmann::json started = save("csv");
    EXPECT_EQ(started["file"], "two-runs-sg.csv");
    EXPECT_EQ(finished(), nlohmann::json({{"state", "done"}, {"file", "two-runs-sg.csv"}}));
    const nlohmann::json again = save("csv");
    EXPECT_EQ(again["file"], "two-runs-sg-2.csv");
    EXPECT_EQ(finished()["file"], "two-runs-sg-2.csv");
    // Nothing of the children stays open, and nothing of theirs is left beside the files. The
    // server closes each answer's connection as it goes, on a thread of its own, so the count
    // before may hold one still closing, and the count after is given a moment.
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         openDescriptors() > descriptors && std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LE(openDescriptors(), descriptors);
    EXPECT_EQ(namesIn(folder_.path()), (std::vector<std::string>{"two-runs-sg-2.csv", "two-runs-sg.csv", "two-runs.csv"}));

    // The command, run by hand elsewhere, writes the same bytes.
    const std::vector<std::string> words = wordsOf(started["command"]);
    ASSERT_GT(words.size(), 4u);
    EXPECT_EQ(words[0], "sgfilter");
    std::vector<std::string> arguments(words.begin() + 1, words.end());
    const auto output = std::ranges::find(arguments, "-o");
    ASSERT_NE(output, arguments.end());
    EXPECT_EQ(output[1], "two-runs-sg.csv");
    const TempFolder elsewhere;
    output[1] = (elsewhere / "by-hand.csv").string();
    const ProcessResult byHand = runSgfilter(arguments, elsewhere);
    ASSERT_EQ(byHand.exitCode, 0) << byHand.err;
    const std::string bytes = readText(folder_ / "two-runs-sg.csv");
    EXPECT_EQ(bytes, readText(elsewhere / "by-hand.csv"));
    EXPECT_EQ(bytes, readText(folder_ / "two-runs-sg-2.csv"));
    EXPECT_NE(bytes.find("pressure"), std::string::npos);

    // EDF+ and BDF+ are filter's too.
    EXPECT_EQ(save("edf")["file"], "two-runs-sg.edf");
    EXPECT_EQ(finished()["state"], "done");
    save("xlsx", 400);
    save("", 400);
}

TEST_F(ViewSaveTest, ANameTakenWhileTheSaveRanIsNeverOverwritten) {
    const auto written = folder_.write(".saving", "saved");
    folder_.write("rec-sg.csv", "mine");
    std::filesystem::create_symlink(folder_ / "nowhere", folder_ / "rec-sg-2.csv");
    EXPECT_EQ(freeName(folder_.path(), "rec-sg", ".csv"), "rec-sg-3.csv");
    EXPECT_EQ(moveToFreeName(written, folder_.path(), "rec-sg", ".csv"), "rec-sg-3.csv");
    EXPECT_EQ(readText(folder_ / "rec-sg.csv"), "mine");
    EXPECT_EQ(readText(folder_ / "rec-sg-3.csv"), "saved");
    EXPECT_FALSE(std::filesystem::exists(written));
}

TEST_F(ViewSaveTest, ACancelledSaveLeavesNoFileAndOneSaveRunsAtATime) {
    const TempFolder elsewhere;
    serveWith(slowSaver(elsewhere.path()));
    addComputed({{"source", 2}});
    EXPECT_EQ(post("api/save/cancel", "{}")->status, 409);
    EXPECT_EQ(save("bdf")["file"], "two-runs-sg.bdf");
    nlohmann::json state = getJson("api/save");
    EXPECT_EQ(state["state"], "running");
    EXPECT_EQ(state["progress"], 0.0);
    // The child's folder, where its output grows, is inside the folder given.
    ASSERT_EQ(namesIn(elsewhere.path()).size(), 1u);
    EXPECT_TRUE(namesIn(elsewhere.path())[0].starts_with(".two-runs-sg.bdf.saving-"));
    save("csv", 409);
    EXPECT_EQ(post("api/computed/remove", R"({"channel": 3})")->status, 409);
    const auto cancelled = post("api/save/cancel", "{}");
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->status, 200);
    EXPECT_EQ(nlohmann::json::parse(cancelled->body), nlohmann::json({{"state", "cancelled"}}));
    EXPECT_EQ(getJson("api/save"), nlohmann::json({{"state", "cancelled"}, {"file", "two-runs-sg.bdf"}}));
    EXPECT_TRUE(namesIn(elsewhere.path()).empty());
    EXPECT_EQ(namesIn(folder_.path()), (std::vector<std::string>{"slow-sgfilter", "two-runs.csv"}));
    // Stopping the server ends a save that runs, and what it wrote goes with it.
    save("csv");
    serveWith(slowSaver(elsewhere.path()));
    EXPECT_TRUE(namesIn(elsewhere.path()).empty());
    EXPECT_EQ(getJson("api/save"), nlohmann::json({{"state", "none"}}));
}

TEST_F(ViewSaveTest, WhatFilterRefusesIsToldInItsOwnWords) {
    const auto program = folder_.write("refusing-sgfilter", "#!/bin/sh\necho 'sgfilter: warning: a short run' >&2\n"
                                                            "echo 'sgfilter: cannot write that here' >&2\nexit 1\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    serveWith({program, {}});
    addComputed({{"source", 2}});
    EXPECT_EQ(save("csv", 400), nlohmann::json({{"error", "cannot write that here"}}));
    EXPECT_EQ(getJson("api/save")["state"], "failed");
    EXPECT_EQ(namesIn(folder_.path()), (std::vector<std::string>{"refusing-sgfilter", "two-runs.csv"}));
}

}  // namespace
}  // namespace sgf::testing
