// Annotation files in the MIT format made word by word: long intervals, the pseudo-annotations
// that annotate the one before, aux texts of odd length, and an annotator chosen by its extension.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sgfilter/TempFolder.h"
#include "sgfilter/WfdbBytes.h"
#include "sgfilter/WfdbOpened.h"
#include "util/Errors.h"

namespace sgf::testing {
namespace {

std::string word(int type, int field) {
    const auto value = static_cast<std::uint16_t>(type << 10 | field);
    return {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

std::string aux(const std::string& text) {
    std::string words = word(63, static_cast<int>(text.size())) + text;
    if (text.size() % 2 == 1) words.push_back('\0');
    return words;
}

std::filesystem::path writeRecord(const TempFolder& folder) {
    folder.write("r.dat", wfdbBytes(16, std::vector<std::int32_t>(1000, 0)));
    return folder.write("r.hea", "r 1 250 1000\nr.dat 16 200 16 0 0 0 0 ECG\n");
}

TEST(WfdbAnnotations, TypesIntervalsAndAuxTextsAsTheWordsGiveThem) {
    TempFolder folder;
    const auto header = writeRecord(folder);
    // 100 samples: a normal beat; NUM, SUB and CHN change it and are not annotations themselves;
    // a SKIP of 70000 then 5 more: a PVC with an aux text of odd length; a code without a mnemonic.
    const std::string skip = word(59, 0) + std::string{0x01, 0x00} + std::string{static_cast<char>(0x70), 0x11};
    folder.write("r.atr", word(1, 100) + word(60, 3) + word(61, 2) + word(62, 1) + skip + word(5, 5) + aux("(VT") +
                              word(28, 0) + aux("(N") + word(45, 1) + word(0, 0) + word(1, 7));
    const auto recording = openWfdb(header);
    const std::vector<Annotation>& annotations = recording->description().annotations;
    ASSERT_EQ(annotations.size(), 4u);
    EXPECT_EQ(annotations[0].text, "N");
    EXPECT_DOUBLE_EQ(annotations[0].onset, 100 / 250.0);
    EXPECT_EQ(annotations[1].text, "V (VT");
    EXPECT_DOUBLE_EQ(annotations[1].onset, (100 + 0x11170 + 5) / 250.0);
    EXPECT_EQ(annotations[2].text, "+ (N");
    EXPECT_DOUBLE_EQ(annotations[2].onset, annotations[1].onset);
    // Nothing after the end word is read.
    EXPECT_EQ(annotations[3].text, "[45]");
}

TEST(WfdbAnnotations, AnotherAnnotatorIsChosenByItsExtension) {
    TempFolder folder;
    const auto header = writeRecord(folder);
    folder.write("r.atr", word(1, 10) + word(0, 0));
    folder.write("r.qrs", word(5, 20) + word(5, 30) + word(0, 0));
    EXPECT_EQ(openWfdb(header)->description().annotations.size(), 1u);
    const auto qrs = openWfdb(header, {}, "qrs");
    ASSERT_EQ(qrs->description().annotations.size(), 2u);
    EXPECT_DOUBLE_EQ(qrs->description().annotations[1].onset, 50 / 250.0);
    // Asked for, the annotator must be there; the default one need not be.
    try {
        openWfdb(header, {}, "ecg");
        ADD_FAILURE() << "no error for a missing annotator";
    } catch (const InputError& error) {
        EXPECT_NE(std::string(error.what()).find((folder / "r.ecg").string()), std::string::npos) << error.what();
    }
    std::filesystem::remove(folder / "r.atr");
    EXPECT_TRUE(openWfdb(header)->description().annotations.empty());
}

TEST(WfdbAnnotations, AnAuxTextPastTheFilesEndIsAnError) {
    TempFolder folder;
    const auto header = writeRecord(folder);
    folder.write("r.atr", word(1, 10) + word(63, 40) + "short");
    EXPECT_THROW(openWfdb(header), InputError);
}

}  // namespace
}  // namespace sgf::testing
