#pragma once
// The user's work in the main window as one value: the grid with its row count, the pattern
// name, the tempo, the loop count, the play list and the song title. Undo and redo go back and
// forth between such values, and the recovery copy keeps the latest one on disk so that work
// survives a crash.
//
// The recovery copy is program text (Windows-1252), one value per line, CR LF after every
// line; texts are escaped ("\\" for a backslash, "\r" and "\n" for line breaks) so that any
// text keeps to its line:
//   "Valdorin recovery 1"
//   the grid's row count, then S, the number of grid rows kept, then 7 x S cell texts, row
//   after row, each row from column 0 to column 6
//   the pattern name box, the tempo value, the saved global tempo, the loop count, the song
//   title, the main window's caption
//   P, the number of play list entries, then P lines: "+" (marked) or "-", then the name
//   "end"
//
// Plain code: runs on whichever thread calls it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/GridTable.h"
#include "platform/FileSystem.h"

namespace valdorin::song {

struct PlayListEntry {
    std::string name;
    bool marked = false;
    friend bool operator==(const PlayListEntry&, const PlayListEntry&) = default;
};

struct WorkState {
    // Grid texts, 7 per row from row 0, rows hidden beyond the row count included; trailing
    // rows that are wholly empty are left out.
    std::vector<std::string> cells;
    int rowCount = 18;
    std::string patternName;  // the pattern name box (the name cell is in cells)
    int tempo = 60;           // the tempo track bar's position
    int savedGlobalTempo = 60;
    int loopCount = 1;
    std::vector<PlayListEntry> playList;
    std::string songTitle;
    std::string caption;  // the main window's caption, which the title and New Song set

    int keptRows() const { return static_cast<int>(cells.size()) / GridTable::kColumns; }
    const std::string& cell(int column, int row) const;

    friend bool operator==(const WorkState&, const WorkState&) = default;
};

// The grid's texts and row count into a state, and back. putGrid empties every cell the state
// does not hold, so the grid ends exactly as it was when taken.
void takeGrid(const GridTable& grid, WorkState& state);
void putGrid(const WorkState& state, GridTable& grid);

// A recovery copy larger than this is no copy the program wrote (a 64-step grid with a long
// play list takes a few kilobytes); it is treated as damaged and never read into memory.
inline constexpr std::size_t kMaxRecoveryBytes = 32u << 20;

std::string recoveryText(const WorkState& state);
// Raises Error("The recovery copy is damaged") for anything the program could not have
// written: a wrong first line, a missing or extra line, a number that is not a whole number or
// lies outside its range, a count larger than the lines that follow, a bad escape.
WorkState readRecoveryText(std::string_view text);
// The file's size is checked before anything is read: a missing file raises "Cannot open file
// %s", one larger than kMaxRecoveryBytes the damaged-copy error.
WorkState readRecoveryFile(const fs::Path& path);

}  // namespace valdorin::song
