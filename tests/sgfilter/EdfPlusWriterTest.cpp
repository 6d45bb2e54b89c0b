// The EDF+/BDF+ writer on its own: numbers in the header's 8 characters and in TALs, the record
// size chosen for the runs, and the bytes of a small discontinuous file taken apart again.
#include <gtest/gtest.h>

#include <cmath>

#include "edf/EdfPlusNumbers.h"
#include "edf/EdfPlusRecordSize.h"
#include "edf/EdfPlusWriter.h"
#include "sgfilter/TempFolder.h"
#include "sgfilter/WrittenEdf.h"
#include "util/Errors.h"

namespace sgf::testing {
namespace {

TEST(EdfPlusNumbers, FitTheirFieldsExactlyOrRoundedOutwardsWithNoExponent) {
    EXPECT_EQ(eightCharacterText(-3.2768, false), "-3.2768");
    EXPECT_EQ(eightCharacterText(1.0 / 3.0, false), "0.333333");
    EXPECT_EQ(eightCharacterText(-240.62839, false), "-240.629");
    EXPECT_EQ(eightCharacterText(-240.62839, true), "-240.628");
    EXPECT_EQ(eightCharacterText(-1e-9, true), "0");
    EXPECT_EQ(eightCharacterText(99999999.5, false), "99999999");
    EXPECT_EQ(eightCharacterText(99999999.5, true), std::nullopt);

    EXPECT_EQ(secondsText(1), "0.000000001");
    EXPECT_EQ(secondsText(-250'000'000), "-0.25");
    EXPECT_EQ(nanosecondsOf(86400.001), 86'400'001'000'000);
    EXPECT_THROW(nanosecondsOf(2e9), UsageError);
    EXPECT_THROW(nanosecondsOf(std::nan("")), UsageError);
}

TEST(EdfPlusRecordSize, IsTheLongestWholeRecordOfAtMostASecondThatFitsEveryRun) {
    using Size = std::pair<std::size_t, int64_t>;
    const auto size = [](double rate, std::vector<std::size_t> runs) {
        const EdfPlusRecordSize chosen = edfPlusRecordSizeFor(rate, runs);
        return Size(chosen.samples, chosen.nanoseconds);
    };
    EXPECT_EQ(size(1000, {30000}), Size(1000, 1'000'000'000));
    EXPECT_EQ(size(1000, {5500, 2000}), Size(500, 500'000'000));
    EXPECT_EQ(size(1000, {997, 1000}), Size(1, 1'000'000));
    // 250 samples at 256 Hz last 0.9765625 s, not a whole number of 10 µs; 200 last 0.78125 s.
    EXPECT_EQ(size(256, {1000}), Size(200, 781'250'000));
    EXPECT_EQ(size(0.1, {7}), Size(1, 10'000'000'000));  // below 1 Hz, one sample of up to 60 s
    EXPECT_THROW(edfPlusRecordSizeFor(256, std::vector<std::size_t>{999}), UsageError);
    EXPECT_THROW(edfPlusRecordSizeFor(0.01, std::vector<std::size_t>{10}), UsageError);
    EXPECT_THROW(edfPlusRecordSizeFor(200000, std::vector<std::size_t>{7, 11}), UsageError);
}

TEST(EdfPlusWriter, WritesRecordsWithinTheirRunsWithTheirOnsetsAndTheAnnotationsNearTheirTime) {
    TempFolder folder;
    // Two runs at 4 Hz, 6 and 4 samples, with a second between them: records of 2 samples.
    EdfPlusContents contents;
    contents.is24Bit = true;
    contents.start = {2023, 11, 5, 7, 8, 9};
    contents.sampleRate = 4.0;
    contents.runs = {{0.0, 6}, {2.5, 4}};
    contents.signals = {{"level", "V", -1.0, 1.0, -2048, 2047}, {"third", "\xC2\xB5V", 0.0, 1.0 / 3.0, -8388608, 8388607}};
    contents.annotations = {{10.0, 0.0, "after the end"}, {2.6, 0.0, "b"},  {-1.0, 0.0, "before"}, {0.7, 0.25, "in 2"},
                            {1.9, 0.0, "in the pause"},   {2.6, 0.0, "a\x14z"}};
    const std::vector<double> level{1.0, -1.0, 5.0, std::nan(""), 0.25, -0.25, 0.999, -2.0, 0.0005, 0.5};
    const std::vector<double> third{1.0 / 3.0, 0.0, 0.1, 0.2, 0.3, 1.0, -1.0, 0.05, 0.15, 0.25};
    {
        AtomicOutputFile file(folder / "out.bdf");
        EdfPlusWriter writer(file, contents);
        // In pieces that records do not follow.
        for (const auto& [first, count] : {std::pair<std::size_t, std::size_t>{0, 3}, {3, 6}, {9, 1}}) {
            writer.write(std::vector<std::span<const double>>{std::span(level).subspan(first, count),
                                                              std::span(third).subspan(first, count)});
        }
        writer.finish();
        file.commit();
    }
    const WrittenEdf bdf{readText(folder / "out.bdf")};
    EXPECT_EQ(bdf.bytes.substr(88, 27) + bdf.bytes.substr(168, 16), "Startdate 05-NOV-2023 X X X05.11.2307.08.09");
    EXPECT_EQ(bdf.kind(), "BDF+D");
    EXPECT_EQ(bdf.recordCount(), 5u);
    EXPECT_EQ(bdf.recordDuration(), "0.5");
    EXPECT_EQ(bdf.label(2), "BDF Annotations");
    EXPECT_EQ(bdf.field(96, 8, 1), "uV");
    EXPECT_EQ(bdf.field(112, 8, 1), "0.333334");
    EXPECT_EQ(bdf.field(120, 8, 0), "-2048");
    // The fullest record, the first after the pause, needs 25 bytes of TALs.
    EXPECT_EQ(bdf.samplesPerRecord(2), 9u);
    EXPECT_EQ(bdf.bytes.size(), 4 * 256 + 5 * (2 + 2 + 9) * 3u);

    // Rounded to the nearest step and clamped at the ends, NaN at the minimum; 1/3 by the range as
    // written, 0.333334, not as asked.
    EXPECT_EQ(bdf.digitalSamples(0), (std::vector<int>{2047, -2048, 2047, -2048, 511, -512, 2045, -2048, 1, 1023}));
    EXPECT_EQ(bdf.digitalSamples(1).front(), 8388573);
    EXPECT_EQ(bdf.digitalSamples(1)[6], -8388608);

    const std::vector<double> onsets{0.0, 0.5, 1.0, 2.5, 3.0};
    const std::vector<std::vector<std::string>> texts{{"", "before"}, {"", "in 2"}, {"", "in the pause"}, {"", "b", "a z"},
                                                      {"", "after the end"}};
    for (std::size_t record = 0; record < onsets.size(); ++record) {
        const std::vector<WrittenTal> tals = bdf.tals(record);
        EXPECT_EQ(tals.at(0).onset, onsets[record]) << "record " << record;
        std::vector<std::string> written;
        for (const WrittenTal& tal : tals) written.push_back(tal.texts.at(0));
        EXPECT_EQ(written, texts[record]) << "record " << record;
    }
    EXPECT_EQ(bdf.tals(0)[1].onset, -1.0);
    EXPECT_EQ(bdf.tals(1)[1].onset, 0.7);
    EXPECT_EQ(bdf.tals(1)[1].duration, "0.25");
    EXPECT_EQ(bdf.tals(4)[1].duration, "");
}

}  // namespace
}  // namespace sgf::testing
