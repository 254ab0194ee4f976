#include "song/CellEditing.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/Errors.h"
#include "core/InstrumentList.h"

namespace valdorin::song {
namespace {

const std::string kKick = instrumentEntry(1);   // "Kick      [ ]"
const std::string kSnare = instrumentEntry(3);  // "Snare     [ ]"

std::string withDigit(std::string text, char digit) {
    text[kVolumeDigitIndex] = digit;
    return text;
}

TEST(ToggledCell, EmptiesOnlyAnExactMatch) {
    EXPECT_EQ(toggledCell(kKick, kKick), "");
    EXPECT_EQ(toggledCell("", ""), "");
    EXPECT_EQ(toggledCell(kKick, ""), "");
    EXPECT_EQ(toggledCell("", kKick), kKick);
    EXPECT_EQ(toggledCell(kSnare, kKick), kKick);
    // The volume digit counts: a kick at digit 5 is overwritten, resetting the digit.
    EXPECT_EQ(toggledCell(withDigit(kKick, '5'), kKick), kKick);
    // So does letter case.
    EXPECT_EQ(toggledCell("sample3", "Sample3"), "Sample3");
}

TEST(SteppedVolumeDigit, CyclesTwoToNineThenOneAndNeverBlankOrZero) {
    std::string text = kKick;
    std::string digits;
    for (int i = 0; i < 10; ++i) {
        text = steppedVolumeDigit(text).value();
        digits += text[kVolumeDigitIndex];
        EXPECT_EQ(text.substr(0, 11), kKick.substr(0, 11));
        EXPECT_EQ(text.substr(12), "]");
    }
    EXPECT_EQ(digits, "2345678912");
    EXPECT_EQ(steppedVolumeDigit(withDigit(kKick, '0')), withDigit(kKick, '1'));
}

TEST(SteppedVolumeDigit, LeavesTextsWithoutADigitPlace) {
    for (const std::string text : {"", "Sample3", "Sample32", "Kick", "0123456789", "01234567890"})
        EXPECT_EQ(steppedVolumeDigit(text), std::nullopt) << text;
    // Exactly twelve characters is enough.
    EXPECT_EQ(steppedVolumeDigit("abcdefghijk "), "abcdefghijk2");
}

TEST(SteppedVolumeDigit, ANonDigitRaisesTheInvalidNumberError) {
    for (char c : {'x', '-', '+', '\t'}) {
        try {
            steppedVolumeDigit(withDigit(kKick, c));
            ADD_FAILURE() << "no error for " << c;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(1, c) + "' is not a valid integer value");
        }
    }
}

TEST(TypedVolumeDigit, OnlyOneToNineAreDigitKeys) {
    for (char c = '1'; c <= '9'; ++c)
        EXPECT_TRUE(isVolumeDigitKey(c)) << c;
    for (char c : {'0', ' ', 'a', '\r', '\x7f', '/', ':'})
        EXPECT_FALSE(isVolumeDigitKey(c)) << c;
}

TEST(TypedVolumeDigit, FollowsTheCellAndTheChosenText) {
    struct Case {
        std::string cell, chosen;
        std::string text;
        bool moves;
    } cases[] = {
        {"", kSnare, withDigit(kSnare, '7'), true},     // the chosen instrument goes in
        {kSnare, kKick, withDigit(kSnare, '7'), true},  // only the digit changes
        {withDigit(kKick, '3'), kKick, withDigit(kKick, '7'), true},
        {"", "Sample2", "Sample2", false},  // no digit place
        {"Sample2", kKick, "Sample2", false},
        {"", "", "", false},                             // nothing chosen
        {"", "0123456789", "0123456789", false},         // 10 characters: unchanged
        {"", "0123456789A", "0123456789A", false},       // 11 characters: unchanged
        {"", "0123456789AB", "0123456789A7", true},      // 12: the digit is the last
        {"", "Kick      [5]x", "Kick      [7]x", true},  // any longer typed text
    };
    for (const Case& c : cases) {
        const TypedDigit typed = typedVolumeDigit(c.cell, c.chosen, '7');
        EXPECT_EQ(typed.text, c.text) << c.cell << " / " << c.chosen;
        EXPECT_EQ(typed.moveCursor, c.moves) << c.cell << " / " << c.chosen;
    }
}

TEST(CellJumpRow, MovesOnlyWithinTheRowCount) {
    EXPECT_EQ(cellJumpRow(13, 4, 18), 17);
    EXPECT_EQ(cellJumpRow(14, 4, 18), 14);
    EXPECT_EQ(cellJumpRow(5, 0, 18), 5);
    EXPECT_EQ(cellJumpRow(2, 1, 3), 2);
    EXPECT_EQ(cellJumpRow(17, INT_MAX, 18), 17);  // no overflow into a negative row
}

TEST(CellJumpFromText, NegativeAndNonNumbersGiveZero) {
    EXPECT_EQ(cellJumpFromText("4"), 4);
    EXPECT_EQ(cellJumpFromText("0"), 0);
    EXPECT_EQ(cellJumpFromText("-3"), 0);
    EXPECT_EQ(cellJumpFromText(""), 0);
    EXPECT_EQ(cellJumpFromText("-"), 0);
    EXPECT_EQ(cellJumpFromText("99999999999"), 0);
    EXPECT_EQ(cellJumpFromText("2147483647"), INT_MAX);
}

TEST(ShownPanInstrument, FallsBackToTheLastKitInstrument) {
    EXPECT_EQ(shownPanInstrument(""), 0);
    EXPECT_EQ(shownPanInstrument(kKick), 1);
    EXPECT_EQ(shownPanInstrument("SNARE     [ ]"), 3);
    EXPECT_EQ(shownPanInstrument(instrumentEntry(16)), 16);
    EXPECT_EQ(shownPanInstrument("Sample5"), 16);
    EXPECT_EQ(shownPanInstrument("Sample32"), 16);
    EXPECT_EQ(shownPanInstrument("Kick"), 16);
    EXPECT_EQ(shownPanInstrument(withDigit(kKick, '4')), 16);  // a digit makes it another text
}

TEST(ClearCells, EmptiesTheBlockOnlyAndReachesHiddenRows) {
    GridTable grid;
    grid.setRowCount(10);
    for (int r = 0; r < 70; ++r)
        for (int c = 0; c < GridTable::kColumns; ++c)
            grid.setCell(c, r, "x");
    clearCells(grid, 1, 2, GridTable::kColumns - 1, kLastClearedRow);
    for (int r = 0; r < 70; ++r)
        for (int c = 0; c < GridTable::kColumns; ++c) {
            const bool cleared = c >= 1 && r >= 2 && r <= kLastClearedRow;
            EXPECT_EQ(grid.cell(c, r), cleared ? "" : "x") << c << "," << r;
        }
    EXPECT_EQ(grid.rowCount(), 10);
}

}  // namespace
}  // namespace valdorin::song
