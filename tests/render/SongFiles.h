#pragma once
// Pattern and song files for the export tests, written through the program's own file rules
// into a directory of the test's choosing.

#include <string>
#include <vector>

#include "core/GridTable.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "song/SongFile.h"
#include "support/PatternFiles.h"

namespace valdorin::render::test {

using Cells = std::vector<std::string>;  // the six channel cells of a step, missing ones empty

// A kit instrument's cell text with its volume digit (' ' for none).
inline std::string kitCell(const std::string& name, char digit) {
    std::string s = name;
    s.resize(10, ' ');
    return s + "[" + digit + "]";
}

// "<name>.pat" in dir: one step per row, the tempo value and loop count given.
inline void writePattern(const fs::Path& dir, const std::string& name, int tempo, int loops,
                         const std::vector<Cells>& rows) {
    const int length = static_cast<int>(rows.size());
    GridTable grid = testing::patternGrid(name, length);
    for (int r = 0; r < length; ++r)
        for (std::size_t c = 0; c < rows[std::size_t(r)].size(); ++c)
            grid.setCell(int(c) + 1, r + 2, rows[std::size_t(r)][c]);
    fs::writeLines(dir / (name + ".pat"), song::patternFileLines(grid, length, tempo, loops,
                                                                 testing::blankSlotLines(22050)));
}

inline void writeSong(const fs::Path& path, const std::vector<std::string>& entries) {
    song::SongSlots slotLines;
    for (auto& s : slotLines)
        s = {"Blank.wav", 22050, 0};
    fs::writeLines(path, song::songFileLines(entries, slotLines));
}

// Intro: tempo 60, two steps; Verse: tempo 90, one step played twice.
inline void writeTwoPatterns(const fs::Path& dir) {
    writePattern(dir, "Intro", 60, 1,
                 {{kitCell("Kick", ' '), kitCell("Snare", '3')}, {kitCell("Kick", '0')}});
    writePattern(dir, "Verse", 90, 2, {{"", "Sample1", "", "", "", kitCell("Tamb", '7')}});
}

// What Compile song makes of Intro then Verse.
inline std::vector<std::string> introVerseCompiled() {
    return {"//",
            "60",  //
            kitCell("Kick", ' '),
            kitCell("Snare", '3'),
            "",
            "",
            "",
            "",  //
            kitCell("Kick", '0'),
            "",
            "",
            "",
            "",
            "",  //
            "//",
            "90",  //
            "",
            "Sample1",
            "",
            "",
            "",
            kitCell("Tamb", '7'),  //
            "",
            "Sample1",
            "",
            "",
            "",
            kitCell("Tamb", '7'),  //
            "%%%"};
}

}  // namespace valdorin::render::test
