// libFuzzer target: the pattern file reader on arbitrary bytes, as Load pattern reads it (row
// count L+2, slot lines) and as Compile song reads it (a block appended to a compiled song).
// Any valdorin::Error is an accepted outcome; a crash, a sanitizer report, another exception, a
// hang or an allocation beyond the limit is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "core/GridTable.h"
#include "platform/FileSystem.h"
#include "playback/CompileSong.h"
#include "song/PatternFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace valdorin;
    const auto lines = fs::splitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        GridTable grid;
        const song::PatternHead head = song::readPattern(lines, grid, "Fuzz.pat");
        if (grid.rowCount() != head.length + 2 && head.length + 2 > 0)
            __builtin_trap();
        for (int s = 1; s <= song::kSlotCount; ++s)
            if (song::slotFileName(lines, head.length, s))
                song::slotFrequency(lines, head.length, s);
    } catch (const Error&) {
    }
    try {
        GridTable grid;
        grid.setRowCount(5);
        std::vector<std::string> compiled;
        playback::CompileView quiet;
        playback::compilePattern(lines, "Fuzz.pat", grid, compiled, quiet);
        if (grid.rowCount() != 5 || compiled.size() < 2 || compiled[0] != "//" ||
            (compiled.size() - 2) % 6 != 0)
            __builtin_trap();
    } catch (const Error&) {
    }
    return 0;
}
