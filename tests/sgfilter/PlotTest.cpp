#include <gtest/gtest.h>

#include <algorithm>

#include "plot/AxisTicks.h"
#include "plot/ColumnDecimator.h"
#include "plot/SvgText.h"

namespace sgf {
namespace {

TEST(ColumnDecimator, KeepsTwoPointsPerColumnAndEverySpike) {
    ColumnDecimator decimator(0.0, 100.0, 10);
    for (int sample = 0; sample <= 100000; ++sample) {
        decimator.add(sample / 1000.0, sample == 54321 ? 50.0 : (sample % 2 == 0 ? 1.0 : -1.0));
    }
    const std::vector<PlotSegment> segments = decimator.finish();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_LE(segments[0].size(), 2u * 11u);
    const auto highest = std::ranges::max_element(segments[0], {}, &PlotPoint::value);
    EXPECT_EQ(highest->value, 50.0);
    EXPECT_DOUBLE_EQ(highest->time, 54.321);
    EXPECT_TRUE(std::ranges::is_sorted(segments[0], {}, &PlotPoint::time));
}

TEST(ColumnDecimator, BreaksTheLineAtEveryNewSegment) {
    ColumnDecimator decimator(0.0, 3.0, 300);
    decimator.startSegment();
    decimator.add(0.0, 1.0);
    decimator.add(1.0, 2.0);
    decimator.startSegment();
    decimator.startSegment();  // an empty segment leaves no trace
    decimator.add(2.0, 3.0);
    const std::vector<PlotSegment> segments = decimator.finish();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].size(), 2u);
    EXPECT_EQ(segments[1].front().value, 3.0);
}

TEST(AxisTicks, PlacesTicksAtRoundNumbersInsideTheRange) {
    const AxisScale time = axisScale(0.0, 29.999, 10, false);
    EXPECT_EQ(time.step, 5.0);
    EXPECT_EQ(time.ticks, (std::vector<double>{0, 5, 10, 15, 20, 25}));
    const AxisScale padded = axisScale(-0.37, 0.58, 6, true);
    EXPECT_EQ(padded.step, 0.2);
    EXPECT_DOUBLE_EQ(padded.low, -0.4);
    EXPECT_DOUBLE_EQ(padded.high, 0.6);
    EXPECT_EQ(padded.ticks.size(), 6u);
    EXPECT_EQ(tickLabel(padded.ticks[2], padded.step), "0.0");
    EXPECT_EQ(tickLabel(-0.2, 0.2), "-0.2");
    EXPECT_EQ(tickLabel(120.0, 10.0), "120");
    EXPECT_EQ(axisScale(5.0, 5.0, 6, true).ticks.empty(), false);  // a constant trace
}

TEST(SvgText, ShowsTheHostsUnitsNotationAsMarkup) {
    EXPECT_EQ(unitsMarkup("mmHg.ms^-1_"), "mmHg\u00B7ms<tspan baseline-shift=\"super\" font-size=\"75%\">-1</tspan>");
    EXPECT_EQ(unitsMarkup("0.5 V<x>"), "0.5 V&lt;x&gt;");
    EXPECT_EQ(unitsMarkup("s^-2_"), "s<tspan baseline-shift=\"super\" font-size=\"75%\">-2</tspan>");
}

}  // namespace
}  // namespace sgf
