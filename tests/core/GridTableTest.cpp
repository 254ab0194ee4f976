#include "core/GridTable.h"

#include <gtest/gtest.h>

namespace valdorin {
namespace {

TEST(GridTable, CellNeverWrittenReadsEmptyAtAnyRow) {
    GridTable grid;
    EXPECT_EQ(grid.cell(3, 70), "");
    EXPECT_EQ(grid.cell(-1, 0), "");
}

TEST(GridTable, TextsSurviveShrinkingAndGrowingTheRowCount) {
    GridTable grid;
    grid.setRowCount(34);
    for (int r = 18; r < 34; ++r)
        grid.setCell(2, r, "Snare     [" + std::to_string(r % 10) + "]");
    grid.setRowCount(18);
    grid.setCell(1, 40, "written beyond the rows");
    grid.setRowCount(34);
    for (int r = 18; r < 34; ++r)
        EXPECT_EQ(grid.cell(2, r), "Snare     [" + std::to_string(r % 10) + "]");
    EXPECT_EQ(grid.cell(1, 40), "written beyond the rows");
}

TEST(GridTable, RowCountOfZeroOrLessBecomesOne) {
    GridTable grid;
    grid.setRowCount(0);
    EXPECT_EQ(grid.rowCount(), 1);
    grid.setRowCount(-5);
    EXPECT_EQ(grid.rowCount(), 1);
}

std::vector<std::string> labels(int beat, int count) {
    GridTable grid;
    labelSteps(grid, beat, count);
    std::vector<std::string> out;
    for (int n = 1; n <= count; ++n)
        out.push_back(grid.cell(0, n + 1));
    return out;
}

TEST(LabelSteps, MarksTheFirstStepOfEveryBeat) {
    EXPECT_EQ(labels(3, 7),
              (std::vector<std::string>{"1:0*", "2:1", "3:2", "4:0*", "5:1", "6:2", "7:0*"}));
    EXPECT_EQ(labels(4, 6), (std::vector<std::string>{"1:0*", "2:1", "3:2", "4:3", "5:0*", "6:1"}));
    const auto sixteen = labels(16, 16);
    EXPECT_EQ(sixteen.front(), "1:0*");
    for (std::size_t i = 1; i < sixteen.size(); ++i)
        EXPECT_EQ(sixteen[i].find('*'), std::string::npos);
    for (int beat : {0, -2})
        for (const auto& l : labels(beat, 3))
            EXPECT_EQ(l.back(), '*') << l;
    EXPECT_EQ(stepLabel(13, 3), "13:0*");
}

TEST(ChannelHeaders, FillRowOneAfterTheLabelColumn) {
    GridTable grid;
    writeChannelHeaders(grid);
    EXPECT_EQ(grid.cell(0, 1), "");
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(grid.cell(c, 1), "Channel:" + std::to_string(c));
}

}  // namespace
}  // namespace valdorin
