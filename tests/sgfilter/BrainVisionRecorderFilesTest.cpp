// The public BrainVision recordings opened through the format: channels, units, start, markers
// and every sample as the headers define them.
#include <gtest/gtest.h>

#include <cmath>

#include "sgfilter/BrainVisionOpened.h"
#include "sgfilter/BrainVisionSharedFiles.h"

namespace sgf::testing {
namespace {

TEST(BrainVisionRecorderFiles, Version1HeaderGivesChannelsStartMarkersAndEverySample) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    const auto recording = openBrainVision(sharedBrainVision() / "test.vhdr");
    const RecordingDescription& description = recording->description();
    EXPECT_EQ(description.format, "BrainVision");
    ASSERT_EQ(description.channels.size(), kSharedChannels);
    // FP2's unit field is empty and F3 has none: the format's µV.
    const std::vector<std::pair<std::size_t, std::pair<std::string, std::string>>> named{
        {0, {"FP1", "µV"}}, {1, {"FP2", "µV"}}, {2, {"F3", "µV"}}, {26, {"CP5", "BS"}}, {27, {"CP6", "µS"}}, {31, {"ReRef", "C"}}};
    for (const auto& [index, labelAndUnits] : named) {
        EXPECT_EQ(description.channels[index].label, labelAndUnits.first);
        EXPECT_EQ(description.channels[index].units, labelAndUnits.second) << labelAndUnits.first;
    }
    for (const InputChannel& channel : description.channels) {
        EXPECT_EQ(channel.rate, 1000.0);
        EXPECT_EQ(channel.sampleCount, kSharedSamples);  // from the data file's size
        EXPECT_EQ(channel.resolution, 0.5);
        EXPECT_EQ(channel.storedBits, 16);
        ASSERT_TRUE(channel.recordedRange);
        EXPECT_EQ(channel.recordedRange->physicalMinimum, -16384.0);
        EXPECT_EQ(channel.recordedRange->digitalMaximum, 32767.0);
    }
    ASSERT_EQ(recording->layout().runs.size(), 1u);
    EXPECT_EQ(recording->layout().runs[0].rowCount, kSharedSamples);
    EXPECT_EQ(recording->layout().sampleInterval, 0.001);

    ASSERT_TRUE(description.start);
    const StartDateTime& start = *description.start;
    EXPECT_EQ(std::vector<int>({start.year, start.month, start.day, start.hour, start.minute, start.second}),
              std::vector<int>({2013, 11, 13, 16, 14, 3}));
    EXPECT_NEAR(start.fraction, 0.794232, 1e-12);

    ASSERT_EQ(description.annotations.size(), 14u);
    EXPECT_EQ(description.annotations[0].text, "New Segment");
    EXPECT_EQ(description.annotations[1].text, "Stimulus/S253");
    // Position 487, counted from 1, from the start's whole second.
    EXPECT_NEAR(description.annotations[1].onset, 0.794232 + 0.486, 1e-12);
    EXPECT_EQ(description.annotations[13].text, "Optic/O  1");
    EXPECT_NEAR(description.annotations[13].onset, 0.794232 + 7.699, 1e-12);
    for (const Annotation& annotation : description.annotations) EXPECT_EQ(annotation.duration, 0.0) << annotation.text;

    const SharedDigital digital;
    ASSERT_EQ(digital.sampleCount(), kSharedSamples);
    for (std::size_t channel = 0; channel < kSharedChannels; ++channel) {
        const std::vector<double> units = unitsOf(*recording, channel, 0, kSharedSamples);
        for (std::size_t sample = 0; sample < kSharedSamples; ++sample) {
            ASSERT_EQ(units[sample], 0.5 * digital.at(channel, sample)) << "channel " << channel + 1 << " sample " << sample;
        }
    }
}

TEST(BrainVisionRecorderFiles, FourUnitsOfOneResolutionGiveTheSamePhysicalValues) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    const auto recording = openBrainVision(sharedBrainVision() / "test_units.vhdr");
    const std::vector<std::pair<std::string, double>> unitsAndMicrovolts{{"nV", 1e-3}, {"mV", 1e3}, {"V", 1e6}, {"uV", 1.0}};
    const SharedDigital digital;
    for (std::size_t channel = 0; channel < unitsAndMicrovolts.size(); ++channel) {
        const auto& [units, microvolts] = unitsAndMicrovolts[channel];
        EXPECT_EQ(recording->description().channels[channel].units, units);
        const std::vector<double> values = unitsOf(*recording, channel, 0, kSharedSamples);
        for (std::size_t sample = 0; sample < kSharedSamples; ++sample) {
            ASSERT_NEAR(values[sample] * microvolts, 0.5 * digital.at(channel, sample), 1e-9) << units << " sample " << sample;
        }
    }
}

TEST(BrainVisionRecorderFiles, Version2MarkersPastTheEndAndWithoutDateAreKept) {
    SKIP_WITHOUT_SHARED_BRAINVISION();
    const auto recording = openBrainVision(sharedBrainVision() / "testv2.vhdr");
    const RecordingDescription& description = recording->description();
    EXPECT_EQ(description.channels.size(), kSharedChannels);
    EXPECT_EQ(description.channels[0].sampleCount, kSharedSamples);
    EXPECT_FALSE(description.start);  // its New Segment has no date
    // Comments and blank lines between the markers, and the [Marker User Infos] after them, are no markers.
    ASSERT_EQ(description.annotations.size(), 16u);
    EXPECT_EQ(description.annotations[6].text, "Comment/comment using [square] brackets");
    EXPECT_EQ(description.annotations[15].text, "$User_Spec/$ 18");
    EXPECT_NEAR(description.annotations[15].onset, 8.029, 1e-12);
    ASSERT_EQ(description.notes.size(), 1u);
    EXPECT_NE(description.notes[0].find("3 markers lie after the last sample (7900), the first at sample 8010"), std::string::npos)
        << description.notes[0];
    EXPECT_EQ(recording->layout().runs.size(), 1u);
}

}  // namespace
}  // namespace sgf::testing
