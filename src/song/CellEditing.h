#pragma once
// What the pattern editing commands do to a cell text, the cursor and the grid table: putting
// the chosen instrument in and out, stepping and typing the volume digit, the cell jump and
// emptying blocks of channel cells. Plain rules, on whichever thread calls them (the window
// calls them on the UI thread).

#include <optional>
#include <string>
#include <string_view>

#include "core/GridTable.h"

namespace valdorin::song {

// Toggle: a cell holding exactly the chosen text (letter case and volume digit count) is
// emptied; any other cell takes the chosen text.
std::string toggledCell(const std::string& cell, const std::string& chosen);

// The cell text with its volume digit (character 12) stepped 2, 3, .. 9, 1, a blank counting as
// 1; nullopt when the text is too short to carry a volume digit (empty, or a sample slot name).
// A character 12 that is no decimal digit raises "'%s' is not a valid integer value".
std::optional<std::string> steppedVolumeDigit(const std::string& cell);

// Only the digits 1 to 9 are volume digits a user can type; "0" is not one.
inline bool isVolumeDigitKey(char key) {
    return key >= '1' && key <= '9';
}

struct TypedDigit {
    std::string text;         // the cell's new text
    bool moveCursor = false;  // the digit went in: the cell jump applies
};
// Type volume digit: an empty cell first takes the chosen text; a text of 12 characters or more
// then gets the digit as its character 12. Shorter texts (sample slot names, and texts of 10 or
// 11 characters that only a typed chooser text can give) are left as they are, without padding,
// and the cursor stays.
TypedDigit typedVolumeDigit(const std::string& cell, const std::string& chosen, char digit);

// The row the cursor moves to after a typed digit: row + jump when that is still a row of the
// grid, otherwise the row itself. Safe for any jump up to the largest int.
int cellJumpRow(int row, int jump, int rowCount);

// The cell jump taken from the Options window's text: a whole number, negative values and
// texts that are no whole number giving 0.
int cellJumpFromText(std::string_view text);

// Show pan: the kit instrument (1 to 16) whose pan the Panning bar shows for a chosen text, or
// 0 for the empty text, which leaves the bar alone. Texts that are no kit instrument (sample
// slots, typed texts) show kit instrument 16.
int shownPanInstrument(std::string_view chosen);

// Empties the cells of columns left..right and rows top..bottom (inclusive), rows at or beyond
// the row count too.
void clearCells(GridTable& grid, int left, int top, int right, int bottom);

// Clear Pattern empties the channel cells of rows 2 to this row: every step row of a 64-step
// pattern and the row after it that pattern files store.
inline constexpr int kLastClearedRow = 66;

}  // namespace valdorin::song
