#include "song/CellEditing.h"

#include <algorithm>
#include <climits>

#include "core/InstrumentList.h"
#include "core/Text.h"

namespace valdorin::song {

std::string toggledCell(const std::string& cell, const std::string& chosen) {
    return cell == chosen ? std::string() : chosen;
}

std::optional<std::string> steppedVolumeDigit(const std::string& cell) {
    if (cell.size() <= kVolumeDigitIndex)
        return std::nullopt;
    const char digit = cell[kVolumeDigitIndex];
    int step = digit == ' ' ? 1 : strToInt(std::string(1, digit));
    step += 1;
    if (step > 9)
        step = 1;
    std::string text = cell;
    text[kVolumeDigitIndex] = static_cast<char>('0' + step);
    return text;
}

TypedDigit typedVolumeDigit(const std::string& cell, const std::string& chosen, char digit) {
    TypedDigit result{cell.empty() ? chosen : cell, false};
    if (result.text.size() > kVolumeDigitIndex) {
        result.text[kVolumeDigitIndex] = digit;
        result.moveCursor = true;
    }
    return result;
}

int cellJumpRow(int row, int jump, int rowCount) {
    const long long target = static_cast<long long>(row) + jump;
    return target < rowCount ? static_cast<int>(target) : row;
}

int cellJumpFromText(std::string_view text) {
    const auto value = tryStrToInt(text);
    return value ? std::max(*value, 0) : 0;
}

int shownPanInstrument(std::string_view chosen) {
    const int position = positionOf(chosen);
    if (position < 0 || position > kKitInstruments)
        return kKitInstruments;
    return position;
}

void clearCells(GridTable& grid, int left, int top, int right, int bottom) {
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col)
            grid.setCell(col, row, std::string());
}

}  // namespace valdorin::song
