#include <gtest/gtest.h>

#include "stagesettings/SettingsFile.h"
#include "stagesettings/SettingsFileWriter.h"
#include "sgfilter/TempFolder.h"

namespace sgf {
namespace {

using testing::TempFolder;

TEST(SettingsFileWriter, WritesEverySettingInTheFormTheReaderTakes) {
    TempFolder folder;
    const auto file = folder / "s.json";
    const FilterSettings written{"3", true, 1, 4, 21, -3};
    writeSettingsFile(file, written);
    EXPECT_EQ(testing::readText(file),
              "{\n  \"channel\": 3,\n  \"computed\": true,\n  \"derivative\": 1,\n  \"order\": 4,\n"
              "  \"width\": 21,\n  \"range-index\": -3\n}\n");
    FilterSettings read{"pressure", false, 0, 2, 5, 0};
    applySettingsFile(file, read);
    EXPECT_EQ(std::tie(read.channel, read.computed, read.derivative, read.order, read.width, read.rangeIndex),
              std::tie(written.channel, written.computed, written.derivative, written.order, written.width,
                       written.rangeIndex));

    writeSettingsFile(file, FilterSettings{"arterial \"P\"", false, 0, 2, 5, 0});
    applySettingsFile(file, read);
    EXPECT_EQ(read.channel, "arterial \"P\"") << "a name stays a name";
    writeSettingsFile(file, FilterSettings{});
    EXPECT_EQ(testing::readText(file).find("channel"), std::string::npos) << "no channel: the stage's default source";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary left behind";
}

}  // namespace
}  // namespace sgf
