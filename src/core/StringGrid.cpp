#include "core/StringGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "core/Text.h"

namespace valdorin {

TStringGrid::TStringGrid(GridTable& table, QWidget* parent)
    : QAbstractScrollArea(parent), table_(table) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::PointingHandCursor);
    verticalScrollBar()->setTracking(true);  // the view follows the thumb while dragged
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    table_.onChanged = [this] { tableChanged(); };
    updateScrollBar();
}

int TStringGrid::firstScrollRow() const {
    return kFixedRows + verticalScrollBar()->value();
}

QRect TStringGrid::cellRect(int col, int row) const {
    int y;
    if (row < kFixedRows) {
        y = row * kRowHeight;
    } else {
        y = (kFixedRows + row - firstScrollRow()) * kRowHeight;
    }
    return QRect(col * kColWidth, y, kColWidth, kRowHeight);
}

QPoint TStringGrid::cellAt(QPoint p) const {
    const int col = p.x() / kColWidth;
    const int visualRow = p.y() / kRowHeight;
    if (p.x() < 0 || p.y() < 0 || col >= GridTable::kColumns)
        return {-1, -1};
    const int row = visualRow < kFixedRows ? visualRow : firstScrollRow() + visualRow - kFixedRows;
    if (row >= table_.rowCount())
        return {-1, -1};
    return {col, row};
}

TStringGrid::Rect TStringGrid::Selection() const {
    return {std::min(col_, anchorCol_), std::min(row_, anchorRow_), std::max(col_, anchorCol_),
            std::max(row_, anchorRow_)};
}

void TStringGrid::SetCurrent(int col, int row) {
    moveCurrent(col, row, false);
}

void TStringGrid::moveCurrent(int col, int row, bool extend) {
    const int lastRow = std::max(kFixedRows, table_.rowCount() - 1);
    col_ = std::clamp(col, 1, GridTable::kColumns - 1);
    row_ = std::clamp(row, kFixedRows, lastRow);
    if (!extend) {
        anchorCol_ = col_;
        anchorRow_ = row_;
    }
    ensureVisible(row_);
    viewport()->update();
}

void TStringGrid::tableChanged() {
    updateScrollBar();
    if (row_ >= table_.rowCount() || anchorRow_ >= table_.rowCount())
        moveCurrent(col_, row_, false);
    viewport()->update();
}

void TStringGrid::updateScrollBar() {
    const int visibleRows = std::max(1, viewport()->height() / kRowHeight - kFixedRows);
    const int scrollRows = std::max(0, table_.rowCount() - kFixedRows);
    verticalScrollBar()->setRange(0, std::max(0, scrollRows - visibleRows));
    verticalScrollBar()->setPageStep(visibleRows);
}

void TStringGrid::ensureVisible(int row) {
    if (row < kFixedRows)
        return;
    const int visibleRows = std::max(1, viewport()->height() / kRowHeight - kFixedRows);
    QScrollBar* bar = verticalScrollBar();
    const int index = row - kFixedRows;
    if (index < bar->value())
        bar->setValue(index);
    else if (index >= bar->value() + visibleRows)
        bar->setValue(index - visibleRows + 1);
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette pal = palette();
    const QColor cellColour = pal.color(QPalette::ToolTipBase);
    const QColor fixedColour = pal.color(QPalette::Button);
    const Rect sel = Selection();
    p.fillRect(viewport()->rect(), pal.color(QPalette::Window));
    const int visibleRows = viewport()->height() / kRowHeight + 1;
    auto drawRow = [&](int row) {
        for (int col = 0; col < GridTable::kColumns; ++col) {
            const QRect r = cellRect(col, row);
            const bool fixed = col == 0 || row < kFixedRows;
            const bool selected = !fixed && col >= sel.left && col <= sel.right && row >= sel.top &&
                                  row <= sel.bottom;
            const bool current = col == col_ && row == row_;
            QColor bg = fixed ? fixedColour : cellColour;
            if (selected && !current)
                bg = pal.color(QPalette::Highlight);
            p.fillRect(r, bg);
            p.setPen(fixed ? pal.color(QPalette::Dark) : pal.color(QPalette::Mid));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setPen(selected && !current ? pal.color(QPalette::HighlightedText)
                                          : (fixed ? pal.color(QPalette::ButtonText)
                                                   : pal.color(QPalette::ToolTipText)));
            p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       QString::fromStdString(toUtf8(table_.cell(col, row))));
            if (current && hasFocus()) {
                p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
                p.drawRect(r.adjusted(1, 1, -2, -2));
            }
        }
    };
    for (int row = 0; row < std::min(kFixedRows, table_.rowCount()); ++row)
        drawRow(row);
    p.setClipRect(0, kFixedRows * kRowHeight, viewport()->width(), viewport()->height());
    for (int row = firstScrollRow();
         row < table_.rowCount() && row < firstScrollRow() + visibleRows; ++row)
        drawRow(row);
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < 1 || cell.y() < kFixedRows)
        return;
    moveCurrent(cell.x(), cell.y(), event->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < 1 || cell.y() < kFixedRows)
        return;
    if (cell.x() != col_ || cell.y() != row_)
        moveCurrent(cell.x(), cell.y(), true);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    if (OnMouseUp)
        OnMouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (OnKeyDown && OnKeyDown(key, event->modifiers()))
        return;
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const int page = std::max(1, viewport()->height() / kRowHeight - kFixedRows);
    switch (key) {
        case Qt::Key_Up:
            moveCurrent(col_, row_ - 1, extend);
            return;
        case Qt::Key_Down:
            moveCurrent(col_, row_ + 1, extend);
            return;
        case Qt::Key_Left:
            moveCurrent(col_ - 1, row_, extend);
            return;
        case Qt::Key_Right:
            moveCurrent(col_ + 1, row_, extend);
            return;
        case Qt::Key_PageUp:
            moveCurrent(col_, row_ - page, extend);
            return;
        case Qt::Key_PageDown:
            moveCurrent(col_, row_ + page, extend);
            return;
        case Qt::Key_Home:
            moveCurrent(1, row_, extend);
            return;
        case Qt::Key_End:
            moveCurrent(GridTable::kColumns - 1, row_, extend);
            return;
        default:
            break;
    }
    // A character typed with Ctrl or Alt held is a command key, not a typed character.
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    const QString text = event->text();
    if (!command && text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7F) {
        if (OnKeyPress)
            OnKeyPress(static_cast<char>(text[0].unicode()));
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace valdorin
