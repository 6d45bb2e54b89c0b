// Traces zoomed out far enough to be drawn from summaries of stretches of samples: every sample
// still counts, in exactly one column, and the summaries follow a computed channel's settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "refhost/DialogSession.h"
#include "sgfilter/TempFolder.h"
#include "view/ViewSession.h"

namespace sgf::testing {
namespace {

constexpr int kBlockSize = 1024;

// One channel at 1 kHz in three runs with pauses between them, ending inside blocks.
std::string threeRunCsv() {
    std::string text = "time (s),wave (mV)\n";
    for (const auto& [first, count] : {std::pair{0, 7000}, std::pair{8000, 7000}, std::pair{15500, 4500}}) {
        for (int sample = first; sample < first + count; ++sample) {
            const double time = sample * 0.001;
            const double wobble = ((sample * 7919) % 13) / 13.0 - 0.5;
            text += fmt::format("{:.3f},{:.4f}\n", time, std::sin(time * 3.0) + 0.2 * wobble);
        }
    }
    return text;
}

FilterSettings settings(int derivative, int order, int width) {
    FilterSettings settings;
    settings.derivative = derivative;
    settings.order = order;
    settings.width = width;
    return settings;
}

struct Sample {
    double time;
    double value;
};

struct Column {
    double time;
    std::optional<double> least;
    std::optional<double> greatest;
};

class ZoomedOutTraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        session_ = std::make_unique<ViewSession>(ViewOptions{folder_.write("three-runs.csv", threeRunCsv()),
                                                             std::filesystem::path(SG_BUILD_DIR) / "SavitzkyGolay.so",
                                                             kBlockSize, folder_.path(), ""});
    }

    std::vector<Column> trace(int16_t channel, double from, double to, int columns) {
        const TraceTable table = session_->trace({{channel}, from, to, columns});
        std::vector<Column> result;
        for (std::size_t entry = 0; entry < table.times.size(); ++entry) {
            result.push_back({table.times[entry], table.minimum[0][entry], table.maximum[0][entry]});
        }
        return result;
    }

    // Every sample of the channel, from traces with more columns than samples.
    std::vector<Sample> samples(int16_t channel) {
        std::vector<Sample> all;
        for (double from = 0.0; from < kEnd; from += 4.0) {
            const double to = from + 4.0 < kEnd ? from + 4.0 - 1e-7 : kEnd;
            for (const Column& column : trace(channel, from, to, ViewSession::kMostColumns)) {
                if (!column.least) continue;
                EXPECT_EQ(*column.least, *column.greatest);
                all.push_back({column.time, *column.least});
            }
        }
        return all;
    }

    // Each column holds the samples from its own time up to the next entry's, and nothing else.
    void expectEverySampleInOneColumn(const std::vector<Column>& columns, const std::vector<Sample>& all) {
        ASSERT_FALSE(columns.empty());
        EXPECT_EQ(columns.front().time, all.front().time);
        std::size_t next = 0;
        int breaks = 0;
        for (std::size_t entry = 0; entry < columns.size(); ++entry) {
            const double end = entry + 1 < columns.size() ? columns[entry + 1].time : INFINITY;
            std::optional<double> least;
            std::optional<double> greatest;
            for (; next < all.size() && all[next].time < end - 1e-9; ++next) {
                least = std::min(least.value_or(INFINITY), all[next].value);
                greatest = std::max(greatest.value_or(-INFINITY), all[next].value);
            }
            if (!columns[entry].least) ++breaks;
            EXPECT_EQ(columns[entry].least, least) << "column at " << columns[entry].time;
            EXPECT_EQ(columns[entry].greatest, greatest) << "column at " << columns[entry].time;
        }
        EXPECT_EQ(next, all.size());
        EXPECT_EQ(breaks, 2);  // one in each pause
    }

    static constexpr double kEnd = 19.999;
    TempFolder folder_;
    std::unique_ptr<ViewSession> session_;
};

TEST_F(ZoomedOutTraceTest, EverySampleCountsInOneColumnAtEveryZoom) {
    const int16_t smoothed = session_->addComputed(1, settings(0, 3, 25));
    for (const int16_t channel : {int16_t{1}, smoothed}) {
        const std::vector<Sample> all = samples(channel);
        ASSERT_EQ(all.size(), 18500u);
        // From every sample, from stretches of 64 and of 512 samples, from whole blocks.
        for (const int columns : {4000, 20, 8, 2}) {
            SCOPED_TRACE(fmt::format("channel {}, {} columns", channel, columns));
            expectEverySampleInOneColumn(trace(channel, 0.0, kEnd, columns), all);
        }
    }
}

TEST_F(ZoomedOutTraceTest, SummariesFollowTheSettingsTheDialogGives) {
    const int16_t smoothed = session_->addComputed(1, settings(0, 3, 25));
    // Summarised at the first settings, everything of them.
    while (session_->prepareNext()) {
    }
    const std::vector<Column> before = trace(smoothed, 0.0, kEnd, 2);
    // Order 5 (the popup's fourth entry), OK.
    const auto result = session_->runSettingsDialog(
        smoothed, std::make_shared<refhost::ScriptedDialog>(std::vector<refhost::DialogStep>{{15, 4, {}}, {1, {}, {}}}));
    ASSERT_TRUE(result["confirmed"].get<bool>());
    EXPECT_TRUE(session_->prepareNext());
    const std::vector<Sample> all = samples(smoothed);
    const std::vector<Column> after = trace(smoothed, 0.0, kEnd, 2);
    expectEverySampleInOneColumn(after, all);
    EXPECT_NE(before[0].greatest, after[0].greatest);
}

TEST_F(ZoomedOutTraceTest, IdleWorkEndsAndStartsAgainForANewChannel) {
    int blocks = 0;
    while (session_->prepareNext()) ++blocks;
    EXPECT_GE(blocks, 19);  // 18,500 samples in blocks of at most 1024, each run's own
    EXPECT_FALSE(session_->prepareNext());
    session_->addComputed(1, settings(1, 2, 11));
    int steps = 0;
    while (session_->prepareNext()) ++steps;
    EXPECT_EQ(steps, blocks);  // the new channel's, and no more
}

}  // namespace
}  // namespace sgf::testing
