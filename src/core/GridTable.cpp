#include "core/GridTable.h"

namespace valdorin {

const std::string& GridTable::cell(int column, int row) const {
    static const std::string kEmpty;
    if (row < 0 || column < 0 || row >= static_cast<int>(rows_.size()))
        return kEmpty;
    const auto& r = rows_[row];
    return column < static_cast<int>(r.size()) ? r[column] : kEmpty;
}

void GridTable::setCell(int column, int row, std::string text) {
    if (row < 0 || column < 0 || column >= kColumns)
        return;
    if (row >= static_cast<int>(rows_.size())) {
        if (text.empty())
            return;
        rows_.resize(row + 1);
    }
    auto& r = rows_[row];
    if (r.size() < static_cast<std::size_t>(kColumns))
        r.resize(kColumns);
    if (r[column] == text)
        return;
    r[column] = std::move(text);
    changed();
}

void GridTable::setRowCount(int rows) {
    if (rows < 1)
        rows = 1;
    if (rows == rowCount_)
        return;
    rowCount_ = rows;
    changed();
}

namespace {
std::string formatLabel(int step, int q) {
    std::string label = std::to_string(step) + ":" + std::to_string(q);
    if (q == 0)
        label += '*';
    return label;
}
}  // namespace

std::string stepLabel(int step, int beatLength) {
    return formatLabel(step, beatLength <= 0 ? 0 : (step - 1) % beatLength);
}

void labelSteps(GridTable& grid, int beatLength, int count) {
    int q = 0;
    for (int n = 1; n <= count; ++n) {
        if (q > beatLength - 1)
            q = 0;
        grid.setCell(0, n + 1, formatLabel(n, q));
        ++q;
    }
}

void writeChannelHeaders(GridTable& grid) {
    for (int c = 1; c < GridTable::kColumns; ++c)
        grid.setCell(c, 1, "Channel:" + std::to_string(c));
}

}  // namespace valdorin
