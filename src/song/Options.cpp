#include "song/Options.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <climits>

#include "core/Sequencer.h"
#include "core/Windows.h"
#include "platform/Controls.h"
#include "song/CellEditing.h"

namespace valdorin {

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Options");
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setFixedSize(180, 90);

    Label1 = new QLabel("Cell Jump", this);
    Label1->move(16, 14);
    Label1->adjustSize();
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setGeometry(16, 32, 65, 22);
    SpinEdit1->setRange(INT_MIN, INT_MAX);
    SpinEdit1->setValue(0);
    Button1 = new QPushButton("OK", this);
    Button1->setGeometry(96, 32, 65, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this,
            [this] { platform::runCommand([this] { Button1Click(); }); });
}

void TForm2::Button1Click() {
    const std::string text = platform::programText(SpinEdit1->cleanText());
    const int jump = song::cellJumpFromText(text);
    if (std::to_string(jump) != text)
        SpinEdit1->setValue(jump);
    if (TSequence* seq = windows().Sequence)
        seq->CellJump = jump;
    hide();
}

void TForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_)
        return;
    // Centred the first time only: where the user moves it afterwards, it stays.
    placed_ = true;
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace valdorin
