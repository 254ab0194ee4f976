// Tempo, time signature and loop count commands of the main window.

#include <QLabel>
#include <QSpinBox>

#include "core/Sequencer.h"
#include "core/Tempo.h"
#include "platform/Controls.h"

namespace valdorin {

void TSequence::TempoRefresh() {
    Tempo = Delay->Position();
    StepInterval = stepIntervalMs(Tempo);
    Label6->setText(QString::fromStdString(bpmText(Tempo)));
}

void TSequence::DelayChange() {}
void TSequence::TimeBarChange() {}
void TSequence::BitBtn13Click() {}
void TSequence::LoopChange() {}

}  // namespace valdorin
