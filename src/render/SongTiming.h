#pragma once
// When each row of a compiled song begins, by the render's clock.
//
// A compiled song is the flat list of lines that Compile song builds: per played pattern "//",
// its tempo line, then the pattern's cell lines (six per step row, loop count times over);
// "%%%" ends it. Rows are counted as every six cell lines, the "//" and tempo lines not
// counted. The first row begins at 0; each later row begins one step length after the one
// before it, the step length being the one in force when the row's first cell line is read:
// (tempo value x 2) milliseconds from the latest tempo line. So a tempo line between two
// patterns already sets the gap into the next pattern's first row. Times are accumulated in
// doubles with one addition per row, so that the renderer and any other exporter place every
// row at exactly the same time.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace valdorin::render {

inline constexpr const char* kBlockStart = "//";
inline constexpr const char* kSongEnd = "%%%";
inline constexpr int kRowCells = 6;

struct SongRow {
    double start = 0.0;       // seconds from the beginning of the song
    double stepLength = 0.0;  // seconds; the step length in force for this row
    int tempo = 0;            // the tempo value of the latest tempo line (0 before any)
    // Indexes of the row's cell lines in the compiled song, channel 1 first. The last row of
    // a song whose cell lines are not a multiple of six holds fewer.
    std::array<std::size_t, kRowCells> cells{};
    int cellCount = 0;
};

// The rows of a compiled song, up to its end line (or its last line when it has none). A tempo
// line that is not a whole number raises "'%s' is not a valid integer value". Before the first
// tempo line the step length is 0.
std::vector<SongRow> songRows(std::span<const std::string> compiled);

// Seconds for one step at a tempo value: (tempo x 2) x 0.001.
inline double stepSeconds(int tempo) {
    return static_cast<double>(tempo) * 2.0 * 0.001;  // tempo x 2 is exact in a double
}

}  // namespace valdorin::render
