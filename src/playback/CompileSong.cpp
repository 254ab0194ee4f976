#include "playback/CompileSong.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "song/PatternFile.h"

namespace valdorin::playback {

namespace {

void appendBlock(const GridTable& grid, int length, int tempo, int loops,
                 std::vector<std::string>& out) {
    out.emplace_back(kTempoMark);
    out.push_back(std::to_string(tempo));
    for (int pass = 0; pass < loops; ++pass)
        for (int r = 2; r <= length + 1; ++r)
            for (int c = 1; c <= GridTable::kChannels; ++c)
                out.push_back(grid.cell(c, r));
}

}  // namespace

void compilePattern(const std::vector<std::string>& lines, std::string_view fileName,
                    GridTable& grid, std::vector<std::string>& out, CompileView& view) {
    const int length = song::readPatternLength(lines, fileName);
    song::copyGridBlock(lines, length, grid);
    const int tempo = clampTempo(song::readTempoLine(lines, length));
    view.tempoRead(tempo);
    const int loops = std::max(1, song::readLoopLine(lines, length));
    view.loopCountRead(loops);
    view.patternRead(grid);
    // In 64 bits: a loop count near the top of int times a long pattern overflows int.
    const long long blockLines = 2 + 6LL * length * loops;
    if (static_cast<long long>(out.size()) + blockLines + 1 > kMaxCompiledLines)
        throw Error("The song is too long to be played (more than " +
                    std::to_string(kMaxCompiledLines) + " lines)");
    appendBlock(grid, length, tempo, loops, out);
}

CompileResult compileSong(const SongSource& source, GridTable& grid, std::vector<std::string>& out,
                          CompileView& view) {
    CompileResult result;
    const int entries = static_cast<int>(source.playList.size());
    result.start = source.selected >= 0 && source.selected < entries ? source.selected : 0;
    if (entries == 0)
        return result;
    for (int k = result.start; k < entries; ++k) {
        const std::string& entry = source.playList[static_cast<std::size_t>(k)];
        const std::vector<std::string> lines =
            song::readEntryPatternFile(source.programDirectory, entry);
        compilePattern(lines, entry + std::string(song::kPatternExtension), grid, out, view);
    }
    out.emplace_back(kEndLine);
    result.compiled = true;
    return result;
}

CompileResult compileSong(const SongSource& source, GridTable& grid,
                          std::vector<std::string>& out) {
    CompileView quiet;
    return compileSong(source, grid, out, quiet);
}

}  // namespace valdorin::playback
