// The EDF reader pages samples straight from the file's data records: any span of rows, across
// records, a pause and signals of other sizes, reads back each digital value exactly, with the
// time the records' onsets give it, at every rate read.
#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "recording/InputBlockStore.h"
#include "edf/EdfReader.h"
#include "sgfilter/EdfBytes.h"
#include "sgfilter/TempFolder.h"

namespace sgf::testing {
namespace {

constexpr std::size_t kBdfRecords = 9;
constexpr int kBdfPerRecord = 40;  // 80 Hz in records of 0.5 s
constexpr std::size_t kBdfPauseBefore = 4;
constexpr double kBdfPause = 2.25;

// Every 24-bit value's bytes, the extremes among them.
int wideDigital(std::size_t i) { return static_cast<int>((i * 2654435761u) % 16777216u) - 8388608; }
int narrowDigital(std::size_t i) { return static_cast<int>(i % 7) - 3; }

EdfTestFile pausedBdf() {
    EdfTestFile file;
    file.is24Bit = true;
    file.discontinuous = true;
    file.recordDuration = 0.5;
    file.onsets = recordOnsets(kBdfRecords, 0.5, kBdfPauseBefore, kBdfPause);
    file.signals = {{"Wide", "uV", -8388.608, 8388.607, -8388608, 8388607, kBdfPerRecord, wideDigital},
                    {"Narrow", "mV", -1, 1, -3, 3, kBdfPerRecord, narrowDigital}};
    return file;
}

TEST(EdfReader, AnySpanOfRowsReadsTheDigitalValuesExactlyAtTheirRecordsTimes) {
    TempFolder folder;
    const EdfReader reader(folder.write("paused.bdf", pausedBdf().bytes()), folder.path());
    const RunLayout layout = reader.layout();
    ASSERT_EQ(layout.runs.size(), 2u);
    EXPECT_EQ(layout.runs[1].firstRow, kBdfPauseBefore * kBdfPerRecord);
    EXPECT_EQ(layout.runs[1].rowCount, (kBdfRecords - kBdfPauseBefore) * kBdfPerRecord);
    EXPECT_DOUBLE_EQ(layout.sampleInterval, 1.0 / 80);

    constexpr std::size_t kRows = kBdfRecords * kBdfPerRecord;
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t first = std::uniform_int_distribution<std::size_t>(0, kRows - 1)(random);
        const std::size_t count = std::uniform_int_distribution<std::size_t>(1, kRows - first)(random);
        // Each channel of a span in turn, and the first again: the records read whole give the same.
        for (const std::size_t channel : {0u, 1u, 0u}) {
            const double baseFactor = reader.description().channels[channel].scaling.baseFactor;
            std::vector<float> stored(count);
            reader.readStored(channel, first, stored);
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t row = first + k;
                const int digital = channel == 0 ? wideDigital(row) : narrowDigital(row);
                ASSERT_EQ(static_cast<double>(stored[k]) * baseFactor, digital) << "channel " << channel << " row " << row;
            }
        }
        std::vector<double> times(count);
        reader.rates().at(0).times->readTimes(first, times);
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t row = first + k;
            const double expected = static_cast<double>(row) / 80 + (row >= kBdfPauseBefore * kBdfPerRecord ? kBdfPause : 0.0);
            ASSERT_NEAR(times[k], expected, 1e-12) << "row " << row;
        }
    }
}

// Read four lanes at a time in float, every 16-bit value gives the bits that the product in
// double, rounded to float, gives: whatever the scaling.
TEST(EdfReader, EverySixteenBitValueReadsAsItsProductInDoubleRoundedToFloat) {
    constexpr int kPerRecord = 4096;
    const auto everyValue = [](std::size_t i) { return static_cast<int>(i % 65536) - 32768; };
    EdfTestFile file;
    file.plain = true;
    file.onsets = recordOnsets(16, 1.0, 16, 0.0);
    file.signals = {{"Exact", "uV", -3276.8, 3276.7, -32768, 32767, kPerRecord, everyValue},
                    {"Odd", "mmHg", -300, 300, -32768, 32767, kPerRecord, everyValue},
                    {"Narrow", "mV", -0.001, 0.001, -32768, 32767, kPerRecord, everyValue}};
    TempFolder folder;
    const EdfReader reader(folder.write("every-value.edf", file.bytes()), folder.path());
    for (std::size_t channel = 0; channel < file.signals.size(); ++channel) {
        const double inverseBase = 1.0 / static_cast<double>(reader.description().channels[channel].scaling.baseFactor);
        std::vector<float> stored(16 * kPerRecord);
        // From a row inside a record, so the reads start and end part way through records.
        reader.readStored(channel, 7, std::span(stored).first(stored.size() - 7));
        for (std::size_t row = 7; row < stored.size(); ++row) {
            const float expected = static_cast<float>(everyValue(row) * inverseBase);
            ASSERT_EQ(std::bit_cast<uint32_t>(stored[row - 7]), std::bit_cast<uint32_t>(expected)) << "channel " << channel << " row " << row;
        }
    }
}

TEST(EdfReader, APlainBdfHasOneRunAndAnEdfPlusOfAnnotationsAloneHasNoChannels) {
    TempFolder folder;
    // BioSemi's layout: no annotation signal, the records one after another from the start.
    EdfTestFile plain = pausedBdf();
    plain.plain = true;
    plain.signals[1] = {"Status", "Boolean", -8388608, 8388607, -8388608, 8388607, kBdfPerRecord, wideDigital};
    const EdfReader bioSemi(folder.write("plain.bdf", plain.bytes()), folder.path());
    EXPECT_EQ(bioSemi.description().channels.at(1).label, "Status");
        EXPECT_TRUE(bioSemi.description().annotations.empty());
    ASSERT_EQ(bioSemi.layout().runs.size(), 1u);
    std::vector<float> stored(kBdfRecords * kBdfPerRecord);
    bioSemi.readStored(1, 0, stored);
    for (std::size_t row = 0; row < stored.size(); ++row) {
        ASSERT_EQ(static_cast<double>(stored[row]) * bioSemi.description().channels[1].scaling.baseFactor, wideDigital(row)) << row;
    }
    std::vector<double> times(stored.size());
    bioSemi.rates().at(0).times->readTimes(0, times);
    EXPECT_DOUBLE_EQ(times.back(), static_cast<double>(stored.size() - 1) / 80);

    EdfTestFile annotations;
    annotations.recordDuration = 0.0;
    annotations.onsets = {0.5};
    annotations.annotations = {{0.5, 30.0, "Sleep stage W"}, {30.5, 30.0, "Sleep stage N1"}};
    const EdfReader hypnogram(folder.write("hypnogram.edf", annotations.bytes()), folder.path());
    EXPECT_TRUE(hypnogram.description().channels.empty());
    EXPECT_TRUE(hypnogram.rates().empty());
    EXPECT_TRUE(hypnogram.layout().runs.empty());
    EXPECT_EQ(hypnogram.description().start->fraction, 0.5);
    ASSERT_EQ(hypnogram.description().annotations.size(), 2u);
    EXPECT_EQ(hypnogram.description().annotations[1].text, "Sleep stage N1");
}

// A store that remembers what it was given, standing in for the file store of computed values.
struct RememberingStore final : refhost::BlockStore {
    std::vector<float> saved;
    void save(refhost::DataKind, int16_t, int32_t, std::span<const float> values) override {
        saved.assign(values.begin(), values.end());
    }
    void load(refhost::DataKind, int16_t, int32_t, std::span<float> values) override {
        std::copy(saved.begin(), saved.end(), values.begin());
    }
    void discard(refhost::DataKind, int16_t) override { saved.clear(); }
};

TEST(EdfReader, TheBlockStoreReadsRecordedChannelsFromTheFileAndKeepsComputedValuesElsewhere) {
    TempFolder folder;
    const EdfReader reader(folder.write("paused.bdf", pausedBdf().bytes()), folder.path());
    auto others = std::make_unique<RememberingStore>();
    RememberingStore& computed = *others;
    // Channel 2's samples follow another rate's 100 in the host; channel 1 is not read.
    InputBlockStore store(reader, {std::nullopt, 100}, std::move(others));

    std::vector<float> values(3);
    store.load(refhost::DataKind::raw, 2, 141, values);
    std::vector<float> direct(3);
    reader.readStored(1, 41, direct);
    EXPECT_EQ(values, direct);
    EXPECT_THROW(store.load(refhost::DataKind::raw, 1, 0, values), std::logic_error);

    EXPECT_THROW(store.save(refhost::DataKind::raw, 1, 0, values), std::logic_error);
    const std::vector<float> output{1.5f, -2.0f, 0.25f};
    store.save(refhost::DataKind::computed, 1, 0, output);
    store.save(refhost::DataKind::raw, 3, 0, output);  // a stage's channel, not the file's
    EXPECT_EQ(computed.saved, output);
    store.load(refhost::DataKind::computed, 1, 0, values);
    EXPECT_EQ(values, output);
}

TEST(EdfReader, RatesReadCountTheirRunsInTicksThatHoldAWholeNumberOfEachRatesSamples) {
    TempFolder folder;
    EdfTestFile file = pausedBdf();
    file.signals.push_back({"Slow", "mV", -1, 1, -3, 3, 6, narrowDigital});  // 12 Hz beside 80 Hz
    EdfReader reader(folder.write("rates.bdf", file.bytes()), folder.path());
    const std::vector<std::size_t> read{2, 0};
    reader.chooseRates(read);
    // Records of 40 and 6 samples share ticks of 2: 20 and 3 samples each, 4 ticks per second.
    ASSERT_EQ(reader.rates().size(), 2u);
    EXPECT_EQ(reader.rates()[0].samplesPerTick, 3u);
    EXPECT_EQ(reader.rates()[1].samplesPerTick, 20u);
    EXPECT_EQ(reader.channelRates()[1], 1u);
    EXPECT_DOUBLE_EQ(reader.tickRate(), 4.0);
    const RunLayout layout = reader.layout();
    EXPECT_DOUBLE_EQ(layout.sampleInterval, 0.25);
    ASSERT_EQ(layout.runs.size(), 2u);
    EXPECT_EQ(layout.runs[1].firstRow, kBdfPauseBefore * 2);
    EXPECT_EQ(layout.runs[1].rowCount, (kBdfRecords - kBdfPauseBefore) * 2);

    // The slow rate's rows: 12 Hz, their times from their records' onsets.
    std::vector<double> times(kBdfRecords * 6);
    reader.rates()[0].times->readTimes(0, times);
    for (std::size_t row = 0; row < times.size(); ++row) {
        const double expected = static_cast<double>(row) / 12 + (row >= kBdfPauseBefore * 6 ? kBdfPause : 0.0);
        ASSERT_NEAR(times[row], expected, 1e-12) << "row " << row;
    }
    std::vector<float> stored(7);
    reader.readStored(2, 10, stored);
    for (std::size_t k = 0; k < stored.size(); ++k) {
        EXPECT_EQ(static_cast<double>(stored[k]) * reader.description().channels[2].scaling.baseFactor, narrowDigital(10 + k));
    }
}

}  // namespace
}  // namespace sgf::testing
