// The EDF+/BDF+ writer on its own: numbers in the header's 8 characters and in TALs, the record
// size chosen for the runs, the bytes of small discontinuous files taken apart again, and signals
// at different rates read back by EDFlib, a reader independent of the writer.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <stdexcept>

#include "edf/EdfPlusNumbers.h"
#include "edf/EdfPlusRecordSize.h"
#include "edf/EdfPlusWriter.h"
#include "sgfilter/TempFolder.h"
#include "sgfilter/EdflibHeader.h"
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
        return Size(chosen.ticks, chosen.nanoseconds);
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
    contents.tickRate = 4.0;
    contents.runs = {{0.0, 6}, {2.5, 4}};
    contents.signals = {{"level", "V", -1.0, 1.0, -2048, 2047}, {"third", "\xC2\xB5V", 0.0, 1.0 / 3.0, -8388608, 8388607}};
    contents.annotations = {{10.0, 0.0, "after the end"}, {2.6, 0.0, "b"},  {-1.0, 0.0, "before"}, {0.7, 0.25, "in 2"},
                            {1.9, 0.0, "in the pause"},   {2.6, 0.0, "a\x14z"}};
    // Steps of 2/4095: 1.0002 and -1.0002 lie within half a step of the ends.
    const std::vector<double> level{1.0, -1.0, 1.0002, -1.0, 0.25, -0.25, 0.999, -1.0002, 0.0005, 0.5};
    const std::vector<double> third{1.0 / 3.0, 0.0, 0.1, 0.2, 0.3, 1.0 / 3.0, 0.0, 0.05, 0.15, 0.25};
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

    // Rounded to the nearest step, at the ends within half a step of them; 1/3 by the range as
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

// 100 Hz, 20 Hz and 4 Hz in ticks of a quarter second, with digital values equal to physical ones.
EdfPlusContents threeRates(std::vector<EdfPlusRun> runs) {
    EdfPlusContents contents;
    contents.tickRate = 4.0;
    contents.runs = std::move(runs);
    contents.signals = {{"fast", "V", -32768, 32767, -32768, 32767, 25},
                        {"middle", "V", -32768, 32767, -32768, 32767, 5},
                        {"slow", "V", -32768, 32767, -32768, 32767, 1}};
    return contents;
}

// Whole numbers, counting up in each signal from its own thousand.
std::vector<std::vector<double>> countingSamples(const EdfPlusContents& contents, std::size_t ticks) {
    std::vector<std::vector<double>> samples;
    for (std::size_t signal = 0; signal < contents.signals.size(); ++signal) {
        std::vector<double>& values = samples.emplace_back();
        for (std::size_t n = 0; n < ticks * contents.signals[signal].samplesPerTick; ++n) values.push_back(1000.0 * signal + n);
    }
    return samples;
}

std::vector<std::span<const double>> ticksOf(const EdfPlusContents& contents, const std::vector<std::vector<double>>& samples,
                                             std::size_t first, std::size_t count) {
    std::vector<std::span<const double>> spans;
    for (std::size_t signal = 0; signal < samples.size(); ++signal) {
        const std::size_t perTick = contents.signals[signal].samplesPerTick;
        spans.push_back(std::span(samples[signal]).subspan(first * perTick, count * perTick));
    }
    return spans;
}

void writeInPieces(const std::filesystem::path& path, const EdfPlusContents& contents,
                   const std::vector<std::vector<double>>& samples, std::initializer_list<std::size_t> pieceTicks) {
    AtomicOutputFile file(path);
    EdfPlusWriter writer(file, contents);
    std::size_t first = 0;
    for (const std::size_t ticks : pieceTicks) {
        writer.write(ticksOf(contents, samples, first, ticks));
        first += ticks;
    }
    writer.finish();
    file.commit();
}


TEST(EdfPlusWriter, KeepsEachSignalAtItsOwnRateInRecordsOfWholeTicks) {
    TempFolder folder;
    {
        // 6 and 4 ticks with a second between them: records of 2 ticks, half a second.
        const EdfPlusContents contents = threeRates({{0.0, 6}, {2.5, 4}});
        const auto samples = countingSamples(contents, 10);
        writeInPieces(folder / "paused.edf", contents, samples, {1, 4, 5});
        const WrittenEdf edf{readText(folder / "paused.edf")};
        EXPECT_EQ(edf.kind(), "EDF+D");
        EXPECT_EQ(edf.recordCount(), 5u);
        EXPECT_EQ(edf.recordDuration(), "0.5");
        EXPECT_EQ(std::vector<std::size_t>({edf.samplesPerRecord(0), edf.samplesPerRecord(1), edf.samplesPerRecord(2)}),
                  std::vector<std::size_t>({50, 10, 2}));
        EXPECT_EQ(edf.bytes.size(), 5 * 256 + 5 * (50 + 10 + 2 + edf.samplesPerRecord(3)) * 2u);
        for (std::size_t signal = 0; signal < samples.size(); ++signal) {
            EXPECT_EQ(edf.digitalSamples(signal), std::vector<int>(samples[signal].begin(), samples[signal].end()))
                << "signal " << signal;
        }
        EXPECT_EQ(edf.tals(3).at(0).onset, 2.5);
    }

    // One run of 6 ticks: records of 3 ticks, 0.75 s, so that no rate equals a record's samples.
    const EdfPlusContents contents = threeRates({{0.0, 6}});
    const auto samples = countingSamples(contents, 6);
    writeInPieces(folder / "continuous.edf", contents, samples, {2, 3, 1});
    EdflibHeader header(new edf_hdr_struct{});
    ASSERT_EQ(edfopen_file_readonly((folder / "continuous.edf").c_str(), header.get(), EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
        << "EDFlib error " << header->filetype;
    EXPECT_EQ(header->filetype, EDFLIB_FILETYPE_EDFPLUS);
    ASSERT_EQ(header->edfsignals, 3);
    EXPECT_EQ(header->datarecords_in_file, 2);
    const std::vector<double> rates{100.0, 20.0, 4.0};
    for (std::size_t signal = 0; signal < rates.size(); ++signal) {
        const edf_param_struct& param = header->signalparam[signal];
        EXPECT_EQ(param.smp_in_datarecord * static_cast<double>(EDFLIB_TIME_DIMENSION) / static_cast<double>(header->datarecord_duration),
                  rates[signal])
            << "signal " << signal;
        std::vector<double> read(samples[signal].size());
        ASSERT_EQ(param.smp_in_file, static_cast<long long>(read.size())) << "signal " << signal;
        ASSERT_EQ(edfread_physical_samples(header->handle, static_cast<int>(signal), static_cast<int>(read.size()), read.data()),
                  static_cast<int>(read.size()));
        EXPECT_EQ(read, samples[signal]) << "signal " << signal;
    }
}

TEST(EdfPlusWriter, RefusesAValueItsRangeCannotHoldNamingTheSignalAndTheValue) {
    TempFolder folder;
    for (const double value : {1.001, -7.5, std::nan("")}) {
        EdfPlusContents contents;
        contents.tickRate = 1.0;
        contents.runs = {{0.0, 2}};
        contents.signals = {{"ok", "V", -1.0, 1.0, -2048, 2047}, {"dP/dt", "mmHg/s", -1.0, 1.0, -2048, 2047}};
        AtomicOutputFile file(folder / "out.edf");
        EdfPlusWriter writer(file, contents);
        const std::vector<double> fine{0.5, -0.5};
        const std::vector<double> beyond{0.0, value};
        try {
            writer.write(std::vector<std::span<const double>>{fine, beyond});
            ADD_FAILURE() << value << " was written";
        } catch (const std::runtime_error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("signal \"dP/dt\": the value " + fmt::format("{}", value) + " mmHg/s"), std::string::npos)
                << message;
        }
    }
}

TEST(EdfPlusWriter, WritesEachValueAsTheNearestDigitalValueHalvesAwayFromZeroInBothDepths) {
    TempFolder folder;
    // A physical range of -100 to 100 on digital -100 to 100: a value's digital value is the value
    // rounded. Quarter steps from half a step below the range to half a step above it, and -0.
    std::vector<double> values;
    for (int quarter = -402; quarter <= 402; ++quarter) values.push_back(quarter / 4.0);
    values.push_back(-0.0);
    std::vector<int> expected;
    for (const double value : values) expected.push_back(static_cast<int>(std::clamp(std::round(value), -100.0, 100.0)));
    for (const bool is24Bit : {false, true}) {
        EdfPlusContents contents;
        contents.is24Bit = is24Bit;
        contents.tickRate = 1000.0;  // every value in one record
        contents.runs = {{0.0, values.size()}};
        contents.signals = {{"x", "V", -100.0, 100.0, -100, 100}};
        const auto path = folder / (is24Bit ? "rounded.bdf" : "rounded.edf");
        AtomicOutputFile file(path);
        EdfPlusWriter writer(file, contents);
        writer.write(std::vector<std::span<const double>>{values});
        writer.finish();
        file.commit();
        EXPECT_EQ(WrittenEdf{readText(path)}.digitalSamples(0), expected) << (is24Bit ? "BDF+" : "EDF+");
    }
}

TEST(EdfPlusWriter, NamesTheFirstValueItCannotWriteAmongSeveral) {
    TempFolder folder;
    EdfPlusContents contents;
    contents.tickRate = 1000.0;  // every value in one record
    contents.runs = {{0.0, 300}};
    contents.signals = {{"x", "V", -1.0, 1.0, -2048, 2047}};
    std::vector<double> values(300, 0.25);
    values[170] = 3.5;
    values[171] = std::nan("");
    values[250] = -9.0;
    AtomicOutputFile file(folder / "out.edf");
    EdfPlusWriter writer(file, contents);
    try {
        writer.write(std::vector<std::span<const double>>{values});
        ADD_FAILURE() << "written";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("the value 3.5 V"), std::string::npos) << error.what();
    }
}

TEST(EdfPlusWriter, RefusesSpansThatDoNotCoverTheSameTicks) {
    TempFolder folder;
    const EdfPlusContents contents = threeRates({{0.0, 4}});
    const auto samples = countingSamples(contents, 4);
    AtomicOutputFile file(folder / "out.edf");
    EdfPlusWriter writer(file, contents);
    // One tick of the 20 Hz and 4 Hz signals, but not a whole one of the 100 Hz signal.
    std::vector<std::span<const double>> spans = ticksOf(contents, samples, 0, 1);
    spans[0] = std::span(samples[0]).first(30);
    EXPECT_THROW(writer.write(spans), std::logic_error);
    // Two ticks of the fastest signal and one of the others.
    spans[0] = std::span(samples[0]).first(50);
    EXPECT_THROW(writer.write(spans), std::logic_error);
    // A signal left out.
    spans = ticksOf(contents, samples, 0, 1);
    spans.pop_back();
    EXPECT_THROW(writer.write(spans), std::logic_error);
    // Nothing was taken: all four ticks still fit.
    writer.write(ticksOf(contents, samples, 0, 4));
    EXPECT_NO_THROW(writer.finish());
}

}  // namespace
}  // namespace sgf::testing
