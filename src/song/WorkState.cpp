#include "song/WorkState.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include "core/Errors.h"
#include "core/Tempo.h"
#include "core/Text.h"

namespace valdorin::song {

namespace {

constexpr std::string_view kHeader = "Valdorin recovery 1";
constexpr std::string_view kEnd = "end";
constexpr int kColumns = GridTable::kColumns;

[[noreturn]] void damaged() {
    throw Error("The recovery copy is damaged");
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string unescaped(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            out += line[i];
            continue;
        }
        if (++i == line.size())
            damaged();
        switch (line[i]) {
            case '\\':
                out += '\\';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                damaged();
        }
    }
    return out;
}

// Walks the lines of a copy; every read checks that the line is there.
class Lines {
  public:
    explicit Lines(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    std::size_t left() const { return lines_.size() - next_; }
    const std::string& raw() {
        if (next_ >= lines_.size())
            damaged();
        return lines_[next_++];
    }
    std::string text() { return unescaped(raw()); }
    int number(int low, int high) {
        const auto value = tryStrToInt(raw());
        if (!value || *value < low || *value > high)
            damaged();
        return *value;
    }
    // A count of items of `width` lines each that the remaining lines can hold.
    int count(std::size_t width) {
        const int n = number(0, std::numeric_limits<int>::max());
        if (static_cast<std::size_t>(n) > left() / width)
            damaged();
        return n;
    }

  private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

}  // namespace

const std::string& WorkState::cell(int column, int row) const {
    static const std::string kEmpty;
    if (column < 0 || column >= kColumns || row < 0 || row >= keptRows())
        return kEmpty;
    return cells[static_cast<std::size_t>(row * kColumns + column)];
}

void takeGrid(const GridTable& grid, WorkState& state) {
    int rows = grid.storedRows();
    auto emptyRow = [&](int r) {
        for (int c = 0; c < kColumns; ++c)
            if (!grid.cell(c, r).empty())
                return false;
        return true;
    };
    while (rows > 0 && emptyRow(rows - 1))
        --rows;
    state.cells.clear();
    state.cells.reserve(static_cast<std::size_t>(rows) * kColumns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kColumns; ++c)
            state.cells.push_back(grid.cell(c, r));
    state.rowCount = grid.rowCount();
}

void putGrid(const WorkState& state, GridTable& grid) {
    const int rows = std::max(grid.storedRows(), state.keptRows());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kColumns; ++c)
            grid.setCell(c, r, state.cell(c, r));
    grid.setRowCount(state.rowCount);
}

std::string recoveryText(const WorkState& state) {
    std::vector<std::string> lines;
    lines.reserve(state.cells.size() + state.playList.size() + 12);
    lines.emplace_back(kHeader);
    lines.push_back(std::to_string(state.rowCount));
    lines.push_back(std::to_string(state.keptRows()));
    for (const auto& text : state.cells)
        lines.push_back(escaped(text));
    lines.push_back(escaped(state.patternName));
    lines.push_back(std::to_string(state.tempo));
    lines.push_back(std::to_string(state.savedGlobalTempo));
    lines.push_back(std::to_string(state.loopCount));
    lines.push_back(escaped(state.songTitle));
    lines.push_back(escaped(state.caption));
    lines.push_back(std::to_string(state.playList.size()));
    for (const auto& entry : state.playList)
        lines.push_back((entry.marked ? "+" : "-") + escaped(entry.name));
    lines.emplace_back(kEnd);
    return fs::joinLines(lines);
}

WorkState readRecoveryText(std::string_view text) {
    // Every line the program writes ends with CR LF; a copy cut short is damaged.
    if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n")
        damaged();
    Lines in(fs::splitLines(text));
    if (in.raw() != kHeader)
        damaged();
    WorkState state;
    state.rowCount = in.number(1, std::numeric_limits<int>::max());
    const int rows = in.count(kColumns);
    state.cells.reserve(static_cast<std::size_t>(rows) * kColumns);
    for (int i = 0; i < rows * kColumns; ++i)
        state.cells.push_back(in.text());
    state.patternName = in.text();
    state.tempo = in.number(kMinTempo, kMaxTempo);
    state.savedGlobalTempo = in.number(kMinTempo, kMaxTempo);
    state.loopCount = in.number(1, std::numeric_limits<int>::max());
    state.songTitle = in.text();
    state.caption = in.text();
    const int entries = in.count(1);
    state.playList.reserve(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const std::string& line = in.raw();
        if (line.empty() || (line[0] != '+' && line[0] != '-'))
            damaged();
        state.playList.push_back({unescaped(std::string_view(line).substr(1)), line[0] == '+'});
    }
    if (in.raw() != kEnd || in.left() != 0)
        damaged();
    // Trailing empty rows are never written: a copy holding them was not written by us, and
    // reading it back would not give the same text.
    if (rows > 0) {
        bool lastEmpty = true;
        for (int c = 0; c < kColumns; ++c)
            lastEmpty = lastEmpty && state.cell(c, rows - 1).empty();
        if (lastEmpty)
            damaged();
    }
    return state;
}

WorkState readRecoveryFile(const fs::Path& path) {
    if (!fs::fileExists(path))
        throwCannotOpen(fs::textFromPath(path));
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxRecoveryBytes)
        damaged();
    const auto bytes = fs::readFile(path);
    return readRecoveryText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace valdorin::song
