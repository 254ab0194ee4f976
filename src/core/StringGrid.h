#pragma once
// The pattern grid's view: seven columns over a GridTable, column 0 and rows 0 and 1 fixed
// (drawn as headers, never scrolled), a vertical scroll bar only, range selection, and no
// typing into cells. The current cell is always a channel cell (column 1 to 6, row 2 on): a
// left press on a channel cell moves it there, the arrow keys move it, and right or middle
// presses and presses on the headers leave it where it is. UI thread only.

#include <QAbstractScrollArea>

#include <functional>

#include "core/GridTable.h"

namespace valdorin {

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    TStringGrid(GridTable& table, QWidget* parent);

    GridTable& Cells() { return table_; }
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Moves the current cell (kept on a channel cell within the row count) and drops the
    // selection back to it.
    void SetCurrent(int col, int row);

    struct Rect {
        int left, top, right, bottom;  // inclusive
    };
    Rect Selection() const;

    static constexpr int kColWidth = 73;
    static constexpr int kRowHeight = 16;
    static constexpr int kFixedRows = 2;

    // Pixel rectangle of a cell in viewport coordinates (for tests that click on cells).
    QRect cellRect(int col, int row) const;

    std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint)> OnMouseUp;
    // Returns true when the key was handled and must not move the cursor.
    std::function<bool(int key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(char ch)> OnKeyPress;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void resizeEvent(QResizeEvent*) override;

  private:
    // Channel cell under the point, or (-1,-1).
    QPoint cellAt(QPoint p) const;
    void tableChanged();
    void updateScrollBar();
    void ensureVisible(int row);
    void moveCurrent(int col, int row, bool extend);
    int firstScrollRow() const;

    GridTable& table_;
    int col_ = 1, row_ = 2;
    int anchorCol_ = 1, anchorRow_ = 2;
    bool dragging_ = false;
};

}  // namespace valdorin
