// `sgfilter info --json`: the object a program reads a recording's channels from, with every field
// as the file gives it, each channel at its own rate, and a null start where the file has none.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "sgfilter/EdfBytes.h"
#include "sgfilter/SgfilterProcess.h"

namespace sgf::testing {
namespace {

nlohmann::json infoJson(const std::filesystem::path& recording, const TempFolder& folder) {
    const ProcessResult result = runSgfilter({"info", "--json", recording.string()}, folder);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return nlohmann::json::parse(result.out);
}

TEST(InfoJson, EdfChannelsEachAtTheirOwnRateWithRunsStartAndAnnotations) {
    TempFolder folder;
    EdfTestFile file;
    file.discontinuous = true;
    file.recordDuration = 0.5;
    file.onsets = recordOnsets(6, 0.5, 4, 2.0);
    file.signals = {{"ABP", "mmHg", -100, 300, -2048, 2047, 50, [](std::size_t i) { return static_cast<int>(i); }},
                    {"EEG Fpz-Cz", "uV", -500, 500, -32768, 32767, 128, [](std::size_t) { return 0; }}};
    file.annotations = {{0.25, 0.1, "Beat"}, {1.0, 0, "Arousal"}};
    const auto input = folder.write("paused.edf", file.bytes());

    const nlohmann::json info = infoJson(input, folder);
    EXPECT_EQ(info, nlohmann::json::parse(R"({
        "file": ")" + input.string() + R"(", "format": "EDF",
        "channels": [{"number": 1, "label": "ABP", "units": "mmHg", "rate": 100.0, "samples": 300},
                     {"number": 2, "label": "EEG Fpz-Cz", "units": "uV", "rate": 256.0, "samples": 768}],
        "runs": 2, "start": "2021-02-01T10:20:30", "annotations": 2, "notes": []})"));
}

TEST(InfoJson, BdfIsNamedAsSuch) {
    TempFolder folder;
    EdfTestFile file;
    file.is24Bit = true;
    file.onsets = recordOnsets(3, 1.0);
    file.signals = {{"ECG", "mV", -8.388608, 8.388607, -8388608, 8388607, 10, [](std::size_t) { return 0; }}};
    const nlohmann::json info = infoJson(folder.write("one.bdf", file.bytes()), folder);
    EXPECT_EQ(info["format"], "BDF");
    EXPECT_EQ(info["runs"], 1);
    EXPECT_EQ(info["channels"][0]["samples"], 30);
}

TEST(InfoJson, CsvIsReadWholeForItsRateSamplesAndRunsAndHasNoStart) {
    TempFolder folder;
    const auto input = folder.write("two.csv", "time (s),pressure (mmHg),resp\n0,1,2\n0.01,1,2\n\n0.02,1,2\n");
    const nlohmann::json info = infoJson(input, folder);
    EXPECT_EQ(info, nlohmann::json::parse(R"({
        "file": ")" + input.string() + R"(", "format": "CSV",
        "channels": [{"number": 1, "label": "pressure", "units": "mmHg", "rate": 100.0, "samples": 3},
                     {"number": 2, "label": "resp", "units": "", "rate": 100.0, "samples": 3}],
        "runs": 2, "start": null, "annotations": 0, "notes": []})"));
}

TEST(InfoJson, ADamagedRecordingIsRefusedAsWithoutIt) {
    TempFolder folder;
    EdfTestFile file;
    file.onsets = recordOnsets(4, 1.0);
    file.signals = {{"ECG", "mV", -1, 1, -32768, 32767, 10, [](std::size_t) { return 0; }}};
    std::string bytes = file.bytes();
    bytes.resize(bytes.size() - 7);
    const auto input = folder.write("cut.edf", bytes);
    const ProcessResult json = runSgfilter({"info", "--json", input.string()}, folder);
    const ProcessResult plain = runSgfilter({"info", input.string()}, folder);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(json.out.empty()) << json.out;
    EXPECT_EQ(json.err, plain.err);
    EXPECT_NE(json.err.find("cut.edf"), std::string::npos) << json.err;
}

TEST(InfoJson, WithoutARecordingIsAUsageError) {
    TempFolder folder;
    const ProcessResult result = runSgfilter({"info", "--json"}, folder);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("name the recording"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace sgf::testing
