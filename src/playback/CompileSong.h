#pragma once
// Compile song: the play list, from its start entry to the end, as one flat list of lines, the
// compiled song that the song timer walks and the renderer mixes. Plain code, no window: Play
// Song, the renderer (window and command line) and any other reader of songs call it.
//
// The compiled song holds, for each played entry in order, one block:
//   "//"
//   the tempo line: the pattern's tempo value, clamped to 1..140, in decimal
//   loop count times over: for each step row r = 2 to L+1, the six cells (1,r) to (6,r),
//   an empty line for an empty cell
// and after the last block the end line "%%%". A block has 2 + 6 x L x loops lines.

#include <string>
#include <string_view>
#include <vector>

#include "core/GridTable.h"
#include "platform/FileSystem.h"

namespace valdorin::playback {

inline constexpr std::string_view kTempoMark = "//";
inline constexpr std::string_view kEndLine = "%%%";
// Most lines a compiled song may hold. A loop count has no upper bound, so a damaged pattern
// file could otherwise ask for billions of lines; this is over 12 hours at the slowest tempo.
inline constexpr long long kMaxCompiledLines = 1'000'000;

// What compiling shows of each pattern as it goes: in the window, the tempo track bar, the loop
// box and the pattern name box follow each compiled pattern. Every method does nothing by
// default.
class CompileView {
  public:
    virtual ~CompileView() = default;
    // The pattern's tempo value, already within 1..140: the tempo bar takes it (without its
    // change command).
    virtual void tempoRead(int tempo) {}
    // The pattern's loop count, already settled by the loop box rule (below 1 becomes 1).
    virtual void loopCountRead(int loops) {}
    // The pattern is in the grid: tempo refresh and pattern name box (cell (0,0)).
    virtual void patternRead(const GridTable& grid) {}
};

struct SongSource {
    fs::Path programDirectory;          // where the pattern files are
    std::vector<std::string> playList;  // the entries, in play order
    int selected = -1;                  // the selected entry, -1 for none
};

struct CompileResult {
    bool compiled = false;  // false: the play list was empty, out was left as it was
    int start = 0;          // the first compiled entry
    // The entry to select afterwards: the one before the start, -1 when that was the first.
    int selectAfter() const { return start - 1; }
};

// Compiles the play list from the selected entry (the first one with no selection) and appends
// the lines to out. Each pattern goes through grid as the pattern file reading rule says (grid
// block into rows 0 to L+2, the row count left as it was), and view hears of its tempo, loop
// count and grid.
//
// Failures end the compilation where they happen, with the error of that point: "Cannot open
// file %s" for an entry without a pattern file (or that is no plain pattern name), "'%s' is not
// a valid integer value" for a length, tempo or loop count line that is no whole number (or
// missing), "The song is too long to be played (more than 1000000 lines)" for a block that would
// take the compiled song past kMaxCompiledLines. What was appended to out and shown to view before
// stays.
CompileResult compileSong(const SongSource& source, GridTable& grid, std::vector<std::string>& out,
                          CompileView& view);
CompileResult compileSong(const SongSource& source, GridTable& grid, std::vector<std::string>& out);

// One entry's share of compileSong: the lines of its pattern file go through grid and view and
// its block is appended to out. fileName is the name a damaged file is reported under.
void compilePattern(const std::vector<std::string>& lines, std::string_view fileName,
                    GridTable& grid, std::vector<std::string>& out, CompileView& view);

}  // namespace valdorin::playback
