// BrainVision recordings made byte by byte, opened through the format: both orientations, float32
// data kept exact, segments as runs and times, Latin-1 texts, and damaged files refused with the
// file and the fault named.
#include <gtest/gtest.h>

#include <cmath>

#include "formats/InputFormats.h"
#include "sgfilter/BrainVisionFiles.h"
#include "sgfilter/BrainVisionOpened.h"

namespace sgf::testing {
namespace {

double ramp(std::size_t i) { return -30000.0 + 297.0 * static_cast<double>(i); }
double wave(std::size_t i) { return std::round(9000.0 * std::sin(0.05 * static_cast<double>(i))); }

BrainVisionTestFile twoChannels() {
    BrainVisionTestFile file;
    file.channels = {{"Fz,,0.1,µV", ramp}, {"EOG,,2,mV", wave}};
    return file;
}

TEST(BrainVisionMadeFiles, AHeaderIsKnownByItsFirstLineInEitherWordingWhateverItsName) {
    TempFolder folder;
    BrainVisionTestFile file = twoChannels();
    file.name = "renamed";
    const std::string header = file.header();
    const std::string firstLine = "Brain Vision Data Exchange Header File Version 1.0";
    const std::vector<std::string> wordings{header, "\xEF\xBB\xBF" + header,
                                            "BrainVision Core Data Format 1.0" + header.substr(firstLine.size())};
    for (const std::string& text : wordings) {
        file.writeTo(folder);
        const auto named = folder.write("renamed.txt", text);
        EXPECT_EQ(inputFormats().formatOf(named).name, "BrainVision") << text.substr(0, 40);
        EXPECT_EQ(openBrainVision(named)->description().channels.size(), 2u);
    }
    // A marker file is not a header, nor is a CSV that mentions one.
    EXPECT_FALSE(brainVisionFormat().recognises(file.markerFile()));
    EXPECT_FALSE(brainVisionFormat().recognises("time (s),Brain Vision Data Exchange Header File\n"));
}

TEST(BrainVisionMadeFiles, BothOrientationsAndIntegerFormatsPageTheSamplesFromAnyPoint) {
    const std::vector<std::pair<std::string, std::string>> layouts{
        {"MULTIPLEXED", "INT_16"}, {"VECTORIZED", "INT_16"}, {"MULTIPLEXED", "UINT_16"}, {"VECTORIZED", "INT_32"}};
    for (const auto& [orientation, format] : layouts) {
        SCOPED_TRACE(orientation + " " + format);
        TempFolder folder;
        BrainVisionTestFile file = twoChannels();
        file.orientation = orientation;
        file.binaryFormat = format;
        file.writeDataPoints = orientation == "VECTORIZED";
        const bool isUnsigned = format == "UINT_16";
        const bool isWide = format == "INT_32";
        // Beyond 16 bits, up to the 2^24 that float32 holds exactly.
        const double shift = isUnsigned ? 32768.0 : isWide ? -16'700'000.0 : 0.0;
        for (BrainVisionChannel& channel : file.channels) {
            channel.value = [unshifted = channel.value, shift](std::size_t i) { return unshifted(i) + shift; };
        }
        const auto recording = openBrainVision(file.writeTo(folder));
        const InputChannel& eog = recording->description().channels[1];
        EXPECT_EQ(eog.units, "mV");
        EXPECT_EQ(eog.storedBits, isWide ? 32 : 16);
        if (isWide) {
            EXPECT_FALSE(eog.recordedRange);
        } else {
            EXPECT_EQ(eog.recordedRange->digitalMinimum, isUnsigned ? 0.0 : -32768.0);
            EXPECT_EQ(eog.recordedRange->physicalMaximum, isUnsigned ? 131070.0 : 65534.0);
        }
        EXPECT_EQ(recording->tickRate(), 250.0);
        // From inside the recording to its last sample.
        for (std::size_t channel = 0; channel < 2; ++channel) {
            const std::vector<double> units = unitsOf(*recording, channel, 37, file.samples - 37);
            const double resolution = channel == 0 ? 0.1 : 2.0;
            for (std::size_t i = 0; i < units.size(); ++i) {
                ASSERT_NEAR(units[i], file.channels[channel].value(37 + i) * resolution, 1e-9) << "channel " << channel << " sample " << 37 + i;
            }
        }
        std::vector<float> past(2);
        EXPECT_THROW(recording->readStored(0, file.samples - 1, past), std::out_of_range);
    }
}

TEST(BrainVisionMadeFiles, Float32ValuesStayExactWithinTheFullScaleOfTheChannelsRead) {
    TempFolder folder;
    BrainVisionTestFile file;
    file.binaryFormat = "IEEE_FLOAT_32";
    const auto tiny = [](std::size_t i) { return static_cast<double>(static_cast<float>(1e-4 * std::sin(0.3 * static_cast<double>(i)))); };
    const auto large = [](std::size_t i) { return static_cast<double>(static_cast<float>(-3.7e5 + 1234.567 * static_cast<double>(i))); };
    file.channels = {{"small,,1,µV", tiny}, {"big,,0.5,nV", large}, {"unread,,1", tiny}};
    const auto recording = openBrainVision(file.writeTo(folder), [](const RecordingDescription&) { return std::vector<int>{1, 2}; });
    EXPECT_EQ(recording->channelRates()[0], std::optional<std::size_t>(0));
    EXPECT_FALSE(recording->channelRates()[2]);
    for (std::size_t channel = 0; channel < 2; ++channel) {
        const sg::ChannelScaling& scaling = recording->description().channels[channel].scaling;
        std::vector<float> stored(file.samples);
        recording->readStored(channel, 0, stored);
        float largest = 0;
        for (std::size_t i = 0; i < file.samples; ++i) {
            // A power of two apart from the file's value, so exactly it.
            ASSERT_EQ(static_cast<double>(stored[i]) * scaling.baseFactor, file.channels[channel].value(i)) << "sample " << i;
            largest = std::max(largest, std::fabs(stored[i]));
        }
        EXPECT_LE(largest, sg::FullScaleMax);
        EXPECT_GT(largest, sg::FullScaleMax / 2);
        EXPECT_EQ(scaling.factor, channel == 0 ? 1.0 : 0.5);
    }
    // Seven significant digits of the largest value: 0.0001 µV (at most nine decimals), 370,000 nV.
    EXPECT_EQ(recording->description().channels[0].scaling.decimals, 9);
    EXPECT_EQ(recording->description().channels[1].scaling.decimals, 1);

    // A value that is no number is refused where it lies.
    file.channels[1].value = [&](std::size_t i) { return i == 150 ? std::nan("") : large(i); };
    file.name = "nan";
    std::string failure = openingFailure(file.writeTo(folder));
    EXPECT_NE(failure.find("nan.eeg: sample 151 of channel 2 (big) is not a finite number"), std::string::npos) << failure;

    // So is an int32 value that float32 cannot hold exactly.
    BrainVisionTestFile wide = twoChannels();
    wide.name = "wide";
    wide.binaryFormat = "INT_32";
    wide.channels[0].value = [](std::size_t i) { return i == 7 ? -16777217.0 : 0.0; };
    failure = openingFailure(wide.writeTo(folder));
    EXPECT_NE(failure.find("wide.eeg: sample 8 of channel 1 (Fz) is -16777217, beyond the ±2^24"), std::string::npos) << failure;
}

TEST(BrainVisionMadeFiles, NewSegmentsStartRunsAtTheirDatesOrWhereTheSegmentBeforeEnds) {
    TempFolder folder;
    BrainVisionTestFile file = twoChannels();
    file.markers = {"New Segment,,1,1,0,20200229235959500000", "Stimulus,S  1,100,1,0", "New Segment,,121,1,0,20200301000010250000",
                    "Response,R  2,130,5,0", "New Segment,,181,1,0"};
    const auto recording = openBrainVision(file.writeTo(folder));
    const RecordingDescription& description = recording->description();
    ASSERT_TRUE(description.start);
    EXPECT_EQ(description.start->day, 29);
    EXPECT_EQ(description.start->fraction, 0.5);
    const std::vector<DataRun>& runs = recording->layout().runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(std::vector<std::size_t>({runs[0].firstRow, runs[0].rowCount, runs[1].firstRow, runs[1].rowCount, runs[2].firstRow, runs[2].rowCount}),
              std::vector<std::size_t>({0, 120, 120, 60, 180, 20}));
    // The second segment is dated 10.75 s after the first; the third has no date and follows on.
    // Times count from the start's whole second, half a second before the first sample.
    const RowsAtRate& rows = recording->rates().at(0);
    EXPECT_EQ(rows.samplesPerTick, 1u);
    EXPECT_EQ(rows.timeDecimals, 3);
    EXPECT_NEAR(rows.times->timeOf(119), 0.5 + 0.476, 1e-12);
    EXPECT_NEAR(rows.times->timeOf(120), 0.5 + 10.75, 1e-12);
    EXPECT_NEAR(rows.times->timeOf(180), 0.5 + 10.75 + 60 * 0.004, 1e-12);
    EXPECT_NEAR(rows.times->timeOf(199), 0.5 + 10.75 + 79 * 0.004, 1e-12);
    // Markers at their segment's times; a size of 5 samples lasts 20 ms.
    ASSERT_EQ(description.annotations.size(), 5u);
    EXPECT_NEAR(description.annotations[1].onset, 0.5 + 99 * 0.004, 1e-12);
    EXPECT_EQ(description.annotations[3].text, "Response/R  2");
    EXPECT_NEAR(description.annotations[3].onset, 0.5 + 10.75 + 9 * 0.004, 1e-12);
    EXPECT_NEAR(description.annotations[3].duration, 0.02, 1e-12);

    // A date before the end of the segment before it cannot be a pause: the time follows on, and info says so.
    file.markers[2] = "New Segment,,121,1,0,20200229235959600000";
    file.name = "back";
    const auto backwards = openBrainVision(file.writeTo(folder));
    EXPECT_NEAR(backwards->rates()[0].times->timeOf(120), 0.5 + 0.48, 1e-12);
    EXPECT_EQ(backwards->layout().runs.size(), 3u);
    ASSERT_EQ(backwards->description().notes.size(), 1u);
    EXPECT_NE(backwards->description().notes[0].find("New Segment at sample 121 is dated"), std::string::npos);
}

TEST(BrainVisionMadeFiles, Latin1TextsAndEscapedCommasReachTheHostInUtf8) {
    TempFolder folder;
    BrainVisionTestFile file = twoChannels();
    file.codepage = "Latin-1";
    file.channels[0].line = "Fp\xE9\\1left,,0.1,\xB5V";
    file.markers = {"Comment,caf\xE9\\1 noir,10,1,0"};
    const auto recording = openBrainVision(file.writeTo(folder));
    EXPECT_EQ(recording->description().channels[0].label, "Fpé,left");
    EXPECT_EQ(recording->description().channels[0].units, "µV");
    EXPECT_EQ(recording->description().annotations.at(0).text, "Comment/café, noir");

    // The same bytes where the header says UTF-8 are refused rather than shown half decoded.
    file.codepage = "UTF-8";
    file.name = "utf";
    const std::string failure = openingFailure(file.writeTo(folder));
    EXPECT_NE(failure.find("utf.vhdr:"), std::string::npos) << failure;
    EXPECT_NE(failure.find("is not valid UTF-8"), std::string::npos) << failure;
}

TEST(BrainVisionMadeFiles, MissingAndMisfittingFilesAreRefusedNamingTheFileAndTheFault) {
    TempFolder folder;
    const BrainVisionTestFile file = twoChannels();
    const auto header = file.writeTo(folder);
    const auto failureWith = [&](const std::string& name, const std::string& bytes) {
        folder.write(name, bytes);
        const std::string failure = openingFailure(header);
        file.writeTo(folder);
        return failure;
    };
    struct Case {
        const char* what;
        std::string file, bytes, expected;
    };
    const std::string data = file.data();
    const std::string text = file.header();
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    const std::vector<Case> cases{
        {"data a byte short", "rec.eeg", data.substr(1),
         fmt::format("rec.eeg: holds {} bytes, not a whole number of samples of 2 channels of INT_16 (2 bytes a sample, as {} gives them)", data.size() - 1, header.string())},
        {"more data points than the data", "rec.vhdr", replaced("SamplingInterval", "DataPoints=201\r\nSamplingInterval"),
         fmt::format("rec.eeg: holds {} bytes, but DataPoints=201 samples of 2 channels of INT_16 (2 bytes a sample, as {} gives them) take 804", data.size(), header.string())},
        {"no data", "rec.eeg", "", "rec.eeg: holds no samples"},
        {"ASCII data", "rec.vhdr", replaced("DataFormat=BINARY", "DataFormat=ASCII"), "rec.vhdr:8: DataFormat=ASCII is not read: only BINARY data"},
        {"an unknown sample format", "rec.vhdr", replaced("INT_16", "INT_64"), "rec.vhdr:14: BinaryFormat=INT_64 is not a sample format"},
        {"a channel's line missing", "rec.vhdr", replaced("Ch2=EOG,,2,mV\r\n", ""), "rec.vhdr: has no Ch2= in [Channel Infos] (NumberOfChannels=2)"},
        {"a resolution that is no number", "rec.vhdr", replaced("0.1", "0.1x"), "rec.vhdr:17: Ch1's resolution \"0.1x\" is not a nonzero number"},
        {"not a header", "rec.vhdr", "Some text\r\n", "rec.vhdr:1: is not a BrainVision header"},
        {"a marker date that is none", "rec.vmrk", file.markerFile() + "Mk1=New Segment,,1,1,0,20201301000000000000\r\n",
         "rec.vmrk:8: Mk1's date \"20201301000000000000\" is not a date"},
        {"a marker without position", "rec.vmrk", file.markerFile() + "Mk1=Stimulus,S  1,,1,0\r\n", "rec.vmrk:8: Mk1's position \"\" is not a sample number"},
    };
    for (const Case& each : cases) {
        const std::string failure = failureWith(each.file, each.bytes);
        EXPECT_NE(failure.find(each.expected), std::string::npos) << each.what << ": " << failure;
    }

    std::filesystem::remove(folder / "rec.eeg");
    std::string failure = openingFailure(header);
    EXPECT_NE(failure.find((folder / "rec.eeg").string() + ": the data file that " + header.string() + " names cannot be opened: No such file"),
              std::string::npos)
        << failure;
    file.writeTo(folder);
    std::filesystem::remove(folder / "rec.vmrk");
    failure = openingFailure(header);
    EXPECT_NE(failure.find((folder / "rec.vmrk").string() + ": the marker file that " + header.string() + " names cannot be opened"),
              std::string::npos)
        << failure;
}

}  // namespace
}  // namespace sgf::testing
