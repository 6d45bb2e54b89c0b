#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

#include "plot/AxisTicks.h"
#include "plot/ColumnDecimator.h"
#include "plot/SvgText.h"

namespace sgf {
namespace {

void addOne(ColumnDecimator& decimator, double time, double value) { decimator.add({&time, 1}, {&value, 1}); }

TEST(ColumnDecimator, KeepsTwoPointsPerColumnAndEverySpike) {
    ColumnDecimator decimator(0.0, 100.0, 10);
    for (int sample = 0; sample <= 100000; ++sample) {
        addOne(decimator, sample / 1000.0, sample == 54321 ? 50.0 : (sample % 2 == 0 ? 1.0 : -1.0));
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
    addOne(decimator, 0.0, 1.0);
    addOne(decimator, 1.0, 2.0);
    decimator.startSegment();
    decimator.startSegment();  // an empty segment leaves no trace
    addOne(decimator, 2.0, 3.0);
    const std::vector<PlotSegment> segments = decimator.finish();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].size(), 2u);
    EXPECT_EQ(segments[1].front().value, 3.0);
}

// A plot must not depend on how the host cut the recording into blocks: the same samples given
// one at a time, all at once or in pieces that end inside and across pixel columns give the same
// points, the first of equal extremes kept and a column opening on NaN kept as it is.
TEST(ColumnDecimator, GivesThePointsOfEachColumnHoweverTheSamplesArriveInPieces) {
    std::vector<double> times;
    std::vector<double> values;
    for (int sample = 0; sample < 5000; ++sample) {
        times.push_back(sample * 0.004);
        values.push_back(sample % 97 == 5 ? 7.0 : sample % 89 == 0 ? -7.0 : std::sin(sample * 0.37));
    }
    values[1000] = std::nan("");  // the first sample of its column (times 4 to 4.4 s)
    const auto pointsOf = [&](const std::vector<std::size_t>& pieces) {
        ColumnDecimator decimator(0.0, 19.996, 50);
        // Two runs of data, the second from sample 2500 on.
        for (const std::size_t end : {std::size_t{2500}, times.size()}) {
            if (end == times.size()) decimator.startSegment();
            std::size_t done = end - 2500;
            for (std::size_t piece = 0; done < end; ++piece) {
                const std::size_t length = std::min(pieces[piece % pieces.size()], end - done);
                decimator.add(std::span(times).subspan(done, length), std::span(values).subspan(done, length));
                done += length;
            }
        }
        std::vector<std::pair<double, double>> points;
        for (const PlotSegment& segment : decimator.finish()) {
            for (const PlotPoint& point : segment) points.emplace_back(point.time, point.value);
            points.emplace_back(-1.0, -1.0);  // where a segment ends
        }
        return points;
    };
    const auto one = pointsOf({1});
    EXPECT_EQ(std::ranges::count(one, std::pair(-1.0, -1.0)), 2);
    EXPECT_EQ(std::ranges::count_if(one, [](const auto& point) { return std::isnan(point.second); }), 1);
    // Samples 102 and 199 share a column and its greatest value; the first is the one kept.
    EXPECT_NE(std::ranges::find(one, std::pair(102 * 0.004, 7.0)), one.end());
    EXPECT_EQ(std::ranges::find(one, std::pair(199 * 0.004, 7.0)), one.end());
    const auto sameAs = [&](const std::vector<std::pair<double, double>>& other) {
        return std::ranges::equal(one, other, [](const auto& a, const auto& b) {
            return a.first == b.first && (a.second == b.second || (std::isnan(a.second) && std::isnan(b.second)));
        });
    };
    EXPECT_TRUE(sameAs(pointsOf({2500})));
    EXPECT_TRUE(sameAs(pointsOf({7, 313, 1, 4096})));
    EXPECT_TRUE(sameAs(pointsOf({100})));  // pieces about a column long
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
