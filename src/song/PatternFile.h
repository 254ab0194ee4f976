#pragma once
// Pattern files ("<name>.pat" in the program directory) and the pattern library's rules.
//
// A pattern file is Windows-1252 text, one value per line, CR LF after every line (the last
// one too). With L the pattern length (cell (2,0), so line 2 of the file), lines from 0:
//   0 .. 7(L+3)-1      grid block: line 7r+c is cell (c, r), rows 0 to L+2, columns 0 to 6
//   7(L+3)             tempo value (the tempo track bar's position)
//   7(L+3)+1           loop count
//   7(L+3)+2+2(s-1)    sample slot s (1 to 32): its file name ("Blank.wav" when empty)
//   7(L+3)+3+2(s-1)    sample slot s: its playback frequency in hertz
// Row L+2 lies beyond the grid's row count (L+2) but is written and read all the same.
//
// All functions here are plain and run on whichever thread calls them.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/GridTable.h"
#include "platform/FileSystem.h"

namespace valdorin::song {

inline constexpr int kSlotCount = 32;
inline constexpr std::string_view kPatternExtension = ".pat";
// The library's inert first entry; never a pattern.
inline constexpr std::string_view kBlankEntry = "<Blank>";
// Longest pattern a file is written for. Far beyond the 64 steps the chooser offers, it only
// stops a typed length from building millions of lines.
inline constexpr int kMaxPatternLength = 100000;

struct SlotLine {
    std::string fileName;  // as the sample importer holds it: a full path, or "Blank.wav"
    int frequency = 0;     // in hertz
};
using SlotLines = std::array<SlotLine, kSlotCount>;

// ---- Layout (indices of lines, from 0) ----
int gridBlockLineCount(int length);       // 7(L+3)
int tempoLineIndex(int length);           // 7(L+3)
int loopLineIndex(int length);            // 7(L+3)+1
int slotLineIndex(int length, int slot);  // file name line of slot 1..32; frequency follows
// The line at index, or the empty text for a line the file does not have.
std::string_view lineAt(const std::vector<std::string>& lines, long long index);

// ---- Writing (Save Pattern) ----
// The 7(L+3)+66 lines of a pattern file. length is L as the caller read it from cell (2,0)
// with strToInt (so an invalid length has already raised the invalid-number error); tempo and
// loops are written as given. A length below 0 or above kMaxPatternLength raises
// "Pattern length %d cannot be saved": the file could not be read back.
std::vector<std::string> patternFileLines(const GridTable& grid, int length, int tempo, int loops,
                                          const SlotLines& slots);
// Writes the lines beside the file and renames them over it (fs::writeLines).
void writePatternFile(const fs::Path& path, const std::vector<std::string>& lines);

// ---- Reading (Load pattern, song playback, rendering) ----
// L from line 2 with strToInt: "'%s' is not a valid integer value", a missing line giving
// "'' is not a valid integer value". Then checks that the file can hold what L promises:
//  - L below 0: "Pattern file %s is damaged" (fileName as the caller wants it shown);
//  - a grid block running past the end of the file: "'' is not a valid integer value", the
//    error the missing tempo line would give, raised before the grid is touched, so that a
//    huge L never sets a huge row count or walks millions of missing rows.
// A length returned by this function always has its whole grid block in the file.
int readPatternLength(const std::vector<std::string>& lines, std::string_view fileName);
// Copies the grid block into rows 0 to L+2 (row count untouched; rows beyond L+2 keep their
// texts). length must come from readPatternLength.
void copyGridBlock(const std::vector<std::string>& lines, int length, GridTable& grid);
// The tempo value and the loop count lines, with strToInt (missing line: the '' error). Both
// are returned as stored: clamp the tempo with clampTempo and settle the loop count through the
// loop box rule (core/Tempo.h).
int readTempoLine(const std::vector<std::string>& lines, int length);
int readLoopLine(const std::vector<std::string>& lines, int length);

struct PatternHead {
    int length = 0;
    int tempo = 0;  // as stored
    int loops = 0;  // as stored
};
// The readers' whole rule in order: L, row count L+2, grid block, tempo, loop count. On an
// error what was done before stays (a bad tempo line leaves the grid copied). tempoRead, when
// given, applies the tempo as soon as it is read, so that a bad loop count line leaves it set.
PatternHead readPattern(const std::vector<std::string>& lines, GridTable& grid,
                        std::string_view fileName,
                        const std::function<void(int tempo)>& tempoRead = {});

// Slot s (1 to 32): its file name line, or nullopt when the file does not reach it (the slot
// keeps its state). Its frequency is the next line, read with strToInt (missing: '' error).
std::optional<std::string> slotFileName(const std::vector<std::string>& lines, int length,
                                        int slot);
int slotFrequency(const std::vector<std::string>& lines, int length, int slot);

// ---- Names and paths ----
// Raises "'%s' is not a valid pattern name" for a name that would leave the program directory
// or cannot be a file name: holding "/" or "\", being "." or "..", holding : * ? " < > | or a
// control character (below 32). The empty name passes: Save Pattern answers it with its own
// "Name of pattern?" message and Load pattern ignores it.
void validatePatternName(std::string_view name);
// programDir / (name + ".pat"), the name validated first.
fs::Path patternPath(const fs::Path& programDir, std::string_view name);
// The existing pattern file of that name, found without regard to letter case ("x" finds
// "x.PAT"), the name validated first; nullopt when there is none. Save, load and delete use
// findPatternFile(dir, name).value_or(patternPath(dir, name)), so that saving "x" replaces
// "x.PAT" as it would on a case-blind file system, and loading a missing one raises
// "Cannot open file %s" from the exact path.
std::optional<fs::Path> findPatternFile(const fs::Path& programDir, std::string_view name);
// The pattern file a play list entry names, for reading (Load pattern, song playback,
// rendering): the regular file of that name in the program directory, found as findPatternFile
// finds it. An entry that is no plain pattern name (one holding a path separator, a drive or
// device prefix, a control character, or being "." or "..") and an entry without such a file
// both raise "Cannot open file %s": a song file's entries never reach outside the directory.
fs::Path entryPatternFile(const fs::Path& programDir, std::string_view entry);
// All lines of that file.
std::vector<std::string> readEntryPatternFile(const fs::Path& programDir, std::string_view entry);

// ---- Pattern library order ----
// Case-blind (compareText), with "<Blank>" before everything else.
bool librarySortLess(std::string_view a, std::string_view b);
// Where name goes in a library kept in that order: after any entries that sort equal.
std::size_t libraryInsertPosition(const std::vector<std::string>& library, std::string_view name);

}  // namespace valdorin::song
