#include "song/PatternFile.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/Text.h"

namespace valdorin::song {

int gridBlockLineCount(int length) {
    return GridTable::kColumns * (length + 3);
}
int tempoLineIndex(int length) {
    return gridBlockLineCount(length);
}
int loopLineIndex(int length) {
    return gridBlockLineCount(length) + 1;
}
int slotLineIndex(int length, int slot) {
    return gridBlockLineCount(length) + 2 * slot;
}

std::string_view lineAt(const std::vector<std::string>& lines, long long index) {
    if (index < 0 || index >= static_cast<long long>(lines.size()))
        return {};
    return lines[static_cast<std::size_t>(index)];
}

std::vector<std::string> patternFileLines(const GridTable& grid, int length, int tempo, int loops,
                                          const SlotLines& slots) {
    if (length < 0 || length > kMaxPatternLength)
        throw Error("Pattern length " + std::to_string(length) + " cannot be saved");
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(gridBlockLineCount(length)) + 2 + 2 * kSlotCount);
    for (int r = 0; r <= length + 2; ++r)
        for (int c = 0; c < GridTable::kColumns; ++c)
            lines.push_back(grid.cell(c, r));
    lines.push_back(std::to_string(tempo));
    lines.push_back(std::to_string(loops));
    for (const SlotLine& slot : slots) {
        lines.push_back(slot.fileName);
        lines.push_back(std::to_string(slot.frequency));
    }
    return lines;
}

void writePatternFile(const fs::Path& path, const std::vector<std::string>& lines) {
    fs::writeLines(path, lines);
}

int readPatternLength(const std::vector<std::string>& lines, std::string_view fileName) {
    const int length = strToInt(lineAt(lines, 2));
    if (length < 0)
        throw Error("Pattern file " + std::string(fileName) + " is damaged");
    // In 64 bits: L near the top of int would overflow 7(L+3).
    const long long blockLines = GridTable::kColumns * (static_cast<long long>(length) + 3);
    if (blockLines > static_cast<long long>(lines.size()))
        throwInvalidInteger("");
    return length;
}

void copyGridBlock(const std::vector<std::string>& lines, int length, GridTable& grid) {
    const int blockLines = std::min<long long>(gridBlockLineCount(length), lines.size());
    for (int i = 0; i < blockLines; ++i)
        grid.setCell(i % GridTable::kColumns, i / GridTable::kColumns, lines[i]);
}

int readTempoLine(const std::vector<std::string>& lines, int length) {
    return strToInt(lineAt(lines, tempoLineIndex(length)));
}

int readLoopLine(const std::vector<std::string>& lines, int length) {
    return strToInt(lineAt(lines, loopLineIndex(length)));
}

PatternHead readPattern(const std::vector<std::string>& lines, GridTable& grid,
                        std::string_view fileName,
                        const std::function<void(int tempo)>& tempoRead) {
    PatternHead head;
    head.length = readPatternLength(lines, fileName);
    grid.setRowCount(head.length + 2);
    copyGridBlock(lines, head.length, grid);
    head.tempo = readTempoLine(lines, head.length);
    if (tempoRead)
        tempoRead(head.tempo);
    head.loops = readLoopLine(lines, head.length);
    return head;
}

std::optional<std::string> slotFileName(const std::vector<std::string>& lines, int length,
                                        int slot) {
    const long long index = slotLineIndex(length, slot);
    if (index >= static_cast<long long>(lines.size()))
        return std::nullopt;
    return lines[static_cast<std::size_t>(index)];
}

int slotFrequency(const std::vector<std::string>& lines, int length, int slot) {
    return strToInt(lineAt(lines, static_cast<long long>(slotLineIndex(length, slot)) + 1));
}

namespace {
bool isControl(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c < 32 || c == 127;
}
}  // namespace

void validatePatternName(std::string_view name) {
    const bool bad =
        name == "." || name == ".." || std::any_of(name.begin(), name.end(), [](char ch) {
            return isControl(ch) ||
                   std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos;
        });
    if (!bad)
        return;
    // A NUL would cut the message short and a line break would split the error box.
    std::string shown(name);
    std::replace_if(shown.begin(), shown.end(), isControl, '?');
    throw Error("'" + shown + "' is not a valid pattern name");
}

fs::Path patternPath(const fs::Path& programDir, std::string_view name) {
    validatePatternName(name);
    return programDir / fs::pathFromText(std::string(name) + std::string(kPatternExtension));
}

std::optional<fs::Path> findPatternFile(const fs::Path& programDir, std::string_view name) {
    validatePatternName(name);
    const fs::Path file = fs::pathFromText(std::string(name) + std::string(kPatternExtension));
    return fs::findCaseBlind(programDir, file.string());
}

fs::Path entryPatternFile(const fs::Path& programDir, std::string_view entry) {
    const fs::Path exact =
        programDir / fs::pathFromText(std::string(entry) + std::string(kPatternExtension));
    try {
        validatePatternName(entry);
    } catch (const Error&) {
        // Shown as the path it would have made, control characters masked so that the message
        // stays one line.
        std::string shown = fs::textFromPath(programDir) + "/" + std::string(entry) +
                            std::string(kPatternExtension);
        std::replace_if(shown.begin(), shown.end(), isControl, '?');
        throwCannotOpen(shown);
    }
    const fs::Path path = findPatternFile(programDir, entry).value_or(exact);
    // Only a regular file: a directory or a pipe of that name is no pattern (and a pipe would
    // never end).
    if (!fs::fileExists(path))
        throwCannotOpen(fs::textFromPath(path));
    return path;
}

std::vector<std::string> readEntryPatternFile(const fs::Path& programDir, std::string_view entry) {
    return fs::readLines(entryPatternFile(programDir, entry));
}

bool librarySortLess(std::string_view a, std::string_view b) {
    const bool aBlank = a == kBlankEntry;
    const bool bBlank = b == kBlankEntry;
    if (aBlank || bBlank)
        return aBlank && !bBlank;
    return compareText(a, b) < 0;
}

std::size_t libraryInsertPosition(const std::vector<std::string>& library, std::string_view name) {
    const auto it = std::upper_bound(
        library.begin(), library.end(), name,
        [](std::string_view n, const std::string& entry) { return librarySortLess(n, entry); });
    return static_cast<std::size_t>(it - library.begin());
}

}  // namespace valdorin::song
