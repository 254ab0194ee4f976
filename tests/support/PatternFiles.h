#pragma once
// Pattern files for tests: the grid of a pattern as Save Pattern finds it, for a test to fill
// and write through the program's own pattern file rules.

#include <string>

#include "core/GridTable.h"
#include "song/PatternFile.h"

namespace valdorin::testing {

// Name, "Length:", the length, "Time:" and "4" in row 0, the channel headers in row 1 and the
// step labels of a 4-step beat in column 0; every channel cell empty.
inline GridTable patternGrid(const std::string& name, int length) {
    GridTable grid;
    grid.setCell(0, 0, name);
    grid.setCell(1, 0, "Length:");
    grid.setCell(2, 0, std::to_string(length));
    grid.setCell(3, 0, "Time:");
    grid.setCell(4, 0, "4");
    labelSteps(grid, 4, length + 1);
    writeChannelHeaders(grid);
    return grid;
}

// All 32 slots empty ("Blank.wav") at the given frequency.
inline song::SlotLines blankSlotLines(int hz) {
    song::SlotLines lines;
    for (auto& s : lines)
        s = {"Blank.wav", hz};
    return lines;
}

}  // namespace valdorin::testing
