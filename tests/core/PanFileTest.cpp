#include "core/PanFile.h"

#include <gtest/gtest.h>

#include "core/Errors.h"

namespace valdorin {
namespace {

std::vector<std::string> centredLines(std::size_t count) {
    std::vector<std::string> lines(count, "0");
    return lines;
}

void expectInvalidNumber(const std::vector<std::string>& lines, const std::string& text) {
    try {
        parsePanLines(lines);
        ADD_FAILURE() << "accepted a bad pan file";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
    }
}

TEST(PanFile, WritesSeventeenLinesWithLineZeroAlwaysZero) {
    Pans pans{};
    pans[2] = -300;  // the snare, instrument list entry 3
    pans[15] = 2000;
    const auto lines = panFileLines(pans);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "0");
    EXPECT_EQ(lines[3], "-300");
    EXPECT_EQ(lines[16], "2000");
    EXPECT_EQ(lines[1], "0");
}

TEST(PanFile, ReadsBackWhatItWrites) {
    Pans pans{};
    for (int i = 0; i < kPanCount; ++i)
        pans[i] = (i - 8) * 250;
    EXPECT_EQ(parsePanLines(panFileLines(pans)), pans);
}

TEST(PanFile, IgnoresLineZeroAndLinesAfterSixteen) {
    auto lines = centredLines(20);
    lines[0] = "not a number";
    lines[3] = "-300";
    lines[17] = "junk";
    const Pans pans = parsePanLines(lines);
    EXPECT_EQ(pans[2], -300);
    EXPECT_EQ(panFromLines(lines, 3), -300);
    for (int i = 0; i < kPanCount; ++i) {
        if (i != 2) {
            EXPECT_EQ(pans[i], 0) << i;
        }
    }
}

TEST(PanFile, ShortFileGivesTheEmptyLineError) {
    expectInvalidNumber(centredLines(16), "");
    expectInvalidNumber({}, "");
    EXPECT_EQ(panFromLines(centredLines(16), 15), 0);  // the lines before the gap still read
}

TEST(PanFile, BadLineGivesTheInvalidNumberError) {
    auto lines = centredLines(17);
    lines[5] = "-3OO";
    expectInvalidNumber(lines, "-3OO");
    lines[5] = "";
    expectInvalidNumber(lines, "");
}

}  // namespace
}  // namespace valdorin
