// The terminal's answer to the module's settings dialog, run in process through the reference
// host with its stress modes on: what a person sees, what each line does, and what is refused.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/TerminalDialog.h"
#include "module/entry/ParameterBlocks.h"
#include "refhost/ChannelComputation.h"

namespace sgf {
namespace {

class TerminalDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.loadModule(std::filesystem::path(SG_BUILD_DIR) / "SavitzkyGolay.so");
        for (const char* name : {"pressure", "flow", "ecg"}) host.recording().addChannel({name, name, {}, {}});
        instance = refhost::createInstance(host, 2);
    }
    void TearDown() override { EXPECT_EQ(host.misbehaviour().entries(), std::vector<std::string>{}); }

    int32_t type(const std::string& lines) {
        std::istringstream input(lines);
        host.dialogs().setDriver(std::make_shared<TerminalDialog>(input, shown));
        sg::InstanceChannelBlock block{instance, 2, 0};
        return host.call(sg::kSelectorRunSettingsDialog, block);
    }
    std::vector<std::pair<int, int>> reports() {
        std::vector<std::pair<int, int>> pairs;
        for (const auto& report : host.records().parameterReports) pairs.emplace_back(report.parameter, report.value);
        return pairs;
    }
    bool showed(const std::string& text) const { return shown.str().find(text) != std::string::npos; }

    refhost::ReferenceHost host;
    sg::FunctionInstance** instance = nullptr;
    std::ostringstream shown;
};

TEST_F(TerminalDialogTest, ShowsEveryItemAPersonCanActOnWithItsState) {
    EXPECT_EQ(type("1\n"), 1);
    EXPECT_EQ(shown.str().substr(0, shown.str().find("Type an item")),
              "\n"
              "Savitzky-Golay settings: flow\n"
              "-----------------------------\n"
              "    6  Source channel:  1) pressure  [2) flow]  3) ecg\n"
              "    9  (*) Raw samples\n"
              "   10  ( ) Computed values  (disabled)\n"
              "   13  Output:  [1) Smoothed]  2) First derivative  3) Second derivative\n"
              "   15  Polynomial order:  [1) 2]  2) 3  3) 4  4) 5  5) 6\n"
              "   17  Window width (points): \"5\"\n"
              "   18  Window width: 5  (positions 1 to 99 give 5 to 201, in steps of 2)\n"
              "    1  OK\n"
              "    2  Cancel\n");
    EXPECT_EQ(reports(),
              (std::vector<std::pair<int, int>>{{8193, 2}, {8194, 0}, {8195, 0}, {8196, 2}, {8197, 5}, {8198, 0}}));
}

TEST_F(TerminalDialogTest, ExplainsWhatItCannotDoAndAsksAgain) {
    EXPECT_EQ(type("\nbanana\n3\n10\n15\n15 6\n18 0\n18 100\n1 now\n17\n"  // each refused, no hit
                   "6 1\n10\n15 4\n18 9\n1\n"),
              1);
    for (const char* problem :
         {"\"banana\" is not one of the item numbers on the left\n",
          "\"3\" is not one of the item numbers on the left\n", "item 10 is disabled\n",
          "item 15 needs an entry from 1 to 5, e.g. \"15 1\"\n", "item 18 needs a position from 1 to 99\n",
          "item 1 takes no value; type just 1\n", "type the text after the item number, e.g. \"17 21\"\n"}) {
        EXPECT_TRUE(showed(problem)) << problem;
    }
    // The dialog as shown after each hit: another source enables computed values, a high order
    // raises the smallest width.
    EXPECT_TRUE(showed("   10  ( ) Computed values\n"));
    EXPECT_TRUE(showed("   10  (*) Computed values\n"));
    EXPECT_TRUE(showed("   15  Polynomial order:  1) 2  2) 3  3) 4  [4) 5]  5) 6\n"));
    EXPECT_TRUE(showed("   18  Window width: 7  (positions 2 to 99 give 7 to 201, in steps of 2)\n"));
    const std::string text = shown.str();
    EXPECT_EQ(text.find("Type an item number"), text.rfind("Type an item number")) << "explained once";
    EXPECT_EQ(reports(),
              (std::vector<std::pair<int, int>>{{8193, 1}, {8194, 1}, {8195, 0}, {8196, 5}, {8197, 21}, {8198, 0}}));
}

TEST_F(TerminalDialogTest, TypedTextReachesTheModuleAndEndOfInputCancels) {
    EXPECT_EQ(type("17 21\n13 3\n"), 0);
    EXPECT_TRUE(showed("   17  Window width (points): \"21\"\n"));
    EXPECT_TRUE(showed("   18  Window width: 21  (positions 1 to 99"));
    EXPECT_TRUE(showed("> (end of input: Cancel)\n"));
    EXPECT_TRUE(reports().empty());
}

}  // namespace
}  // namespace sgf
