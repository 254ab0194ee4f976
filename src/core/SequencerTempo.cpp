// Tempo, time signature and loop count commands of the main window. UI thread only.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "core/Sequencer.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "platform/Controls.h"
#include "song/WorkHistory.h"

namespace valdorin {

using platform::programText;
using platform::qtText;

void TSequence::TempoRefresh() {
    Tempo = Delay->Position();
    StepInterval = stepIntervalMs(Tempo);
    Label6->setText(QString::fromStdString(bpmText(Tempo)));
}

void TSequence::DelayChange() {
    const UndoStep step(*this, "Tempo", Reacting::Tempo);
    SavedGlobalTempo = Delay->Position();
    Tempo = SavedGlobalTempo;
    StepInterval = stepIntervalMs(Tempo);
    // A song played at the global tempo speeds up at once; otherwise its tempo lines rule.
    if (Global->isChecked())
        DXTimer1.SetInterval(StepInterval);
    Label6->setText(QString::fromStdString(bpmText(Tempo)));
}

void TSequence::TimeBarChange() {
    const std::string text = programText(TimeBar->currentText());
    if (text.empty())
        return;
    Edit4->setText(qtText(timeSignatureLength(text)));
    Edit5->setText(qtText(timeSignatureBeat(text)));
}

void TSequence::BitBtn13Click() {
    const UndoStep step(*this, "Update Time");
    const std::string length = programText(Edit4->text());
    const std::string beat = programText(Edit5->text());
    if (length.empty() || beat.empty()) {
        TimeBar->setEditText("");
        Edit4->clear();
        Edit5->clear();
        return;
    }
    Grid.setCell(2, 0, length);
    const int steps = strToInt(length);
    Grid.setCell(4, 0, beat);
    const int beatLength = strToInt(beat);
    Grid.setRowCount(steps + 2);
    // One label more than the step rows: pattern files store the row just below the last step.
    labelSteps(Grid, beatLength, steps + 1);
    writeChannelHeaders(Grid);
}

void TSequence::LoopChange() {
    const UndoStep step(*this, "Loop Count", Reacting::LoopCount);
    // Setting the count changes the text and runs this once more, which then finds it valid.
    const std::string text = programText(Loop->text());
    const int count = normalizedLoopCount(text);
    if (tryStrToInt(text) == count)
        return;
    Loop->setValue(count);
    // An emptied box keeps its value, so setting the value alone would leave it empty.
    const QString shown = QString::number(count);
    if (Loop->text() != shown)
        Loop->findChild<QLineEdit*>()->setText(shown);
}

}  // namespace valdorin
