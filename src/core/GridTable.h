#pragma once
// The pattern grid as a table of texts, addressed (column, row) from 0.
//
// Seven columns: 0 the step labels, 1 to 6 the channels. Rows 0 and 1 are headers, rows 2 to
// L+1 the steps of a pattern of length L. Texts are kept per row whatever the row count: rows at
// or beyond the row count are hidden but keep their texts, and raising the count shows them
// again. A cell never written reads as the empty text.

#include <functional>
#include <string>
#include <vector>

namespace valdorin {

class GridTable {
  public:
    static constexpr int kColumns = 7;
    static constexpr int kChannels = 6;

    GridTable() = default;

    const std::string& cell(int column, int row) const;
    void setCell(int column, int row, std::string text);

    int rowCount() const { return rowCount_; }
    // Rows that have held a text at some time (hidden ones included); every later row is empty.
    int storedRows() const { return static_cast<int>(rows_.size()); }
    // 0 or less becomes 1; no text is discarded.
    void setRowCount(int rows);

    // Called after any change of a cell or of the row count, so that a view can repaint.
    std::function<void()> onChanged;

  private:
    void changed() const {
        if (onChanged)
            onChanged();
    }
    std::vector<std::vector<std::string>> rows_;  // rows_[row][column], grown on write
    int rowCount_ = 18;
};

// Writes the labels of steps 1 to count into cells (0,2) to (0,count+1): "n:q", with "*" after
// it when q is 0, where q counts the step's place in its beat of beatLength steps. A beat
// length of 0 or less puts q = 0 on every step.
void labelSteps(GridTable& grid, int beatLength, int count);
std::string stepLabel(int step, int beatLength);

// Writes "Channel:1" to "Channel:6" into row 1.
void writeChannelHeaders(GridTable& grid);

}  // namespace valdorin
