#include "render/SongTiming.h"

#include "core/Text.h"

namespace valdorin::render {

std::vector<SongRow> songRows(std::span<const std::string> compiled) {
    std::vector<SongRow> rows;
    double time = 0.0;
    double stepLength = 0.0;
    int tempo = 0;
    std::size_t i = 0;
    while (i < compiled.size() && compiled[i] != kSongEnd) {
        if (compiled[i] == kBlockStart) {
            // A missing tempo line reads as the empty text, which is no whole number.
            tempo = strToInt(i + 1 < compiled.size() ? std::string_view(compiled[i + 1])
                                                     : std::string_view());
            stepLength = stepSeconds(tempo);
            i += 2;
            continue;
        }
        if (rows.empty() || rows.back().cellCount == kRowCells) {
            if (!rows.empty())
                time = time + stepLength;
            rows.push_back(SongRow{time, stepLength, tempo, {}, 0});
        }
        SongRow& row = rows.back();
        row.cells[static_cast<std::size_t>(row.cellCount++)] = i;
        ++i;
    }
    return rows;
}

}  // namespace valdorin::render
