#include "kits/Sams.h"

#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <functional>
#include <string>

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/Main.h"
#include "kits/SlotRules.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"

namespace valdorin {

namespace {

constexpr int kButtonHeight = 25;

// A slot button that reports receiving the focus.
class SlotButton : public QPushButton {
  public:
    using QPushButton::QPushButton;
    std::function<void()> OnEnter;

  protected:
    void focusInEvent(QFocusEvent* event) override {
        QPushButton::focusInEvent(event);
        if (OnEnter)
            OnEnter();
    }
};

}  // namespace

TSamples::TSamples(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Samples");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    setGeometry(-1, 1, 115, 445);
    // Small type: the window's places are laid out for a narrow 8-point system font.
    QFont f = font();
    f.setPointSize(7);
    setFont(f);

    Label2 = new QLabel("Active Sample", this);
    Label2->move(4, 0);
    Label2->adjustSize();
    Label1 = new QLabel("1", this);
    Label1->move(80, 0);
    Label1->resize(24, Label2->height());

    SamPannel = new QScrollArea(this);
    SamPannel->setGeometry(0, 16, 105, 401);
    SamPannel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SamPannel->verticalScrollBar()->setTracking(true);
    auto* inside = new QWidget;
    QPalette olive = inside->palette();
    olive.setColor(QPalette::Window, QColor(128, 128, 0));
    inside->setPalette(olive);
    inside->setAutoFillBackground(true);
    inside->setFixedSize(88, kits::pickerSlotTop(kSampleSlots) + kButtonHeight);
    SamPannel->setWidget(inside);
}

void TSamples::FormCreate() {
    if (const TSequence* seq = windows().Sequence)
        setWindowIcon(seq->windowIcon());
    QWidget* inside = SamPannel->widget();
    Buttons.clear();
    NumberLabels.clear();
    for (int s = 1; s <= kSampleSlots; ++s) {
        const int top = kits::pickerSlotTop(s);
        auto* b = new SlotButton("Sample " + QString::number(s), inside);
        b->setGeometry(24, top, 60, kButtonHeight);
        b->setProperty("tag", s);
        connect(b, &QPushButton::clicked, this,
                [this, s] { platform::runCommand([this, s] { Select_Sample(s); }); });
        b->OnEnter = [this, s] { platform::runCommand([this, s] { Select_number(s); }); };
        Buttons.push_back(b);

        auto* number = new QLabel(QString::number(s), inside);
        QFont f = number->font();
        f.setPointSize(12);
        number->setFont(f);
        number->move(4, top);
        number->adjustSize();
        NumberLabels.push_back(number);
    }
}

void TSamples::Select_Sample(int slot) {
    // 1.
    Label1->setText(QString::number(slot));
    // 2. The next Toggle or Insert instrument puts this slot into the grid.
    if (TSequence* seq = windows().Sequence)
        seq->SetChooserText("Sample" + std::to_string(slot));
    TMainForm* importer = windows().MainForm;
    if (!importer)
        return;
    // 3.
    importer->setWindowTitle(
        platform::qtText("Sample " + std::to_string(slot) + " : " + importer->fileName(slot)));
    // 4.
    importer->CurrentSlot = slot;
    // 5.
    if (importer->isHidden())
        importer->show();
    // 6.
    importer->ShowSlotSettings(slot);
}

void TSamples::Select_number(int slot) {
    Label1->setText(QString::number(slot));
}

}  // namespace valdorin
