// The public WFDB records read through the format: every signal's values against the samples the
// headers and data define, decoded independently here, and the reference beat annotations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sgfilter/WfdbOpened.h"
#include "sgfilter/WfdbSharedRecords.h"

namespace sgf::testing {
namespace {

TEST(WfdbSharedRecords, EverySignalReadsAsItsHeaderAndDataDefineIt) {
    SKIP_WITHOUT_SHARED_WFDB();
    for (const SharedWfdbRecord& record : sharedWfdbRecords()) {
        SCOPED_TRACE(record.header);
        const std::vector<std::vector<int>> expected = sharedSignals(record);
        const auto recording = openWfdb(sharedWfdbFolder() / record.header);
        ASSERT_EQ(recording->description().channels.size(), record.signals);
        ASSERT_EQ(recording->layout().runs.size(), 1u);
        EXPECT_DOUBLE_EQ(recording->tickRate(), record.frameRate);
        for (std::size_t signal = 0; signal < record.signals; ++signal) {
            const std::vector<double> units = unitsOf(*recording, signal);
            ASSERT_EQ(units.size(), expected[signal].size()) << "signal " << signal;
            EXPECT_EQ(recording->description().channels[signal].units, "mV");
            for (std::size_t sample = 0; sample < units.size(); ++sample) {
                ASSERT_NEAR(units[sample], (expected[signal][sample] - record.adcZero) / record.gain, 0.5 / record.gain)
                    << "signal " << signal << " sample " << sample;
            }
        }
    }
}

TEST(WfdbSharedRecords, HeadersSayWhatTheyHold) {
    SKIP_WITHOUT_SHARED_WFDB();
    const auto hundred = openWfdb(sharedWfdbFolder() / "100s.hea");
    EXPECT_EQ(hundred->description().channels[0].label, "MLII");
    EXPECT_EQ(hundred->description().channels[1].label, "V5");
    EXPECT_EQ(hundred->description().channels[0].recordedRange->digitalMaximum, 2047);
    const auto counted = openWfdb(sharedWfdbFolder() / "100x.hea");
    const std::vector<std::string>& notes = counted->description().notes;
    ASSERT_GE(notes.size(), 5u);
    EXPECT_EQ(notes[0], "counter frequency 360 Hz, base counter value 0");
    EXPECT_EQ(notes[1], "header comment:  69 M 1085 1629 x1");
    EXPECT_EQ(notes[4], "header comment: Produced by xform from record 100s, beginning at 0:0");
    // A base time with no date.
    const auto test = openWfdb(sharedWfdbFolder() / "test.hea");
    EXPECT_FALSE(test->description().start);
    EXPECT_EQ(test->description().channels[11].label, "V6");
}

TEST(WfdbSharedRecords, ReferenceBeatAnnotationsAtTheirFrames) {
    SKIP_WITHOUT_SHARED_WFDB();
    for (const auto& [header, rate] : std::vector<std::pair<std::string, double>>{{"100s.hea", 360}, {"100x.hea", 120}}) {
        const auto recording = openWfdb(sharedWfdbFolder() / header);
        const std::vector<Annotation>& annotations = recording->description().annotations;
        ASSERT_EQ(annotations.size(), 75u) << header;
        // The rhythm annotation that opens the record, with its aux text, then the first beats.
        EXPECT_EQ(annotations[0].text, "+ (N");
        EXPECT_EQ(annotations[1].text, "N");
        EXPECT_EQ(annotations[0].duration, 0.0);
        const std::vector<double> frames = header == "100s.hea" ? std::vector<double>{18, 77, 370, 662, 946}
                                                                : std::vector<double>{6, 25, 123, 220, 315};
        for (std::size_t n = 0; n < frames.size(); ++n) EXPECT_DOUBLE_EQ(annotations[n].onset, frames[n] / rate) << header << " " << n;
    }
}

}  // namespace
}  // namespace sgf::testing
