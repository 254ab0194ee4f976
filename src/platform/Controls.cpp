#include "platform/Controls.h"

#include <QMouseEvent>

#include "core/Text.h"

namespace valdorin::platform {

QString qtText(const std::string& text) {
    return QString::fromStdString(toUtf8(text));
}

std::string programText(const QString& text) {
    return fromUtf8(text.toStdString());
}

TTrackBar::TTrackBar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    connect(this, &QSlider::valueChanged, this, [this] {
        if (!settingFromProgram_ && OnChange)
            OnChange();
    });
}

void TTrackBar::SetPosition(int position) {
    settingFromProgram_ = true;
    setValue(position);  // QSlider keeps the value within its range
    settingFromProgram_ = false;
}

TListBox::TListBox(QWidget* parent, bool checkable) : QListWidget(parent), checkable_(checkable) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int TListBox::ItemIndex() const {
    const auto items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void TListBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) {
        clearSelection();
        setCurrentRow(-1);
        return;
    }
    setCurrentRow(index);
    item(index)->setSelected(true);
}

std::string TListBox::Item(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? programText(it->text()) : std::string();
}

void TListBox::Add(const std::string& text) {
    Insert(count(), text);
}

void TListBox::Insert(int index, const std::string& text) {
    auto* it = new QListWidgetItem(qtText(text));
    if (checkable_) {
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(Qt::Unchecked);
    }
    insertItem(index, it);
}

void TListBox::Delete(int index) {
    delete takeItem(index);
}

bool TListBox::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TListBox::SetChecked(int index, bool on) {
    if (QListWidgetItem* it = item(index))
        it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QListWidget::mousePressEvent(event);
    } else if (QListWidgetItem* it = itemAt(event->position().toPoint()); it && checkable_) {
        // Any button ticks the check box at an entry's left; only a left press selects.
        const QRect box = visualItemRect(it);
        if (event->position().x() < box.left() + box.height())
            it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    if (OnMouseDown)
        OnMouseDown(event->button());
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDoubleClick)
        OnDoubleClick();
}

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

void TLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    // Taken, so that the release comes back to this label.
    if (pressed_)
        event->accept();
    else
        QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click && OnClick)
        OnClick();
}

}  // namespace valdorin::platform
