// Staging keeps the times of every row and the values of the channels a job reads, no others.
#include <gtest/gtest.h>

#include "sgfilter/TempFolder.h"
#include "staging/StagedRows.h"

namespace sgf::testing {
namespace {

TEST(StagedRows, KeepsEveryTimeAndOnlyTheChosenChannelsValues) {
    TempFolder folder;
    StagedRows rows(folder.path());
    rows.stageOnly({0, 2});
    for (int row = 0; row < 5; ++row) {
        const double values[] = {row + 0.5, -1.0, row * 10.0};
        rows.row(row * 0.25, values);
    }
    EXPECT_THROW(rows.stageOnly({1}), std::logic_error);
    rows.finishWriting();

    std::vector<double> staged(6);
    rows.readRows(2, staged);
    EXPECT_EQ(staged, (std::vector<double>{2.5, 20.0, 3.5, 30.0, 4.5, 40.0}));
    EXPECT_EQ(rows.timeOf(4), 1.0);
    EXPECT_EQ(rows.rowCount(), 5u);
}

}  // namespace
}  // namespace sgf::testing
