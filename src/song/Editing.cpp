// Pattern editing commands of the main window. UI thread only; none of them waits for sound.

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/StringGrid.h"
#include "core/Windows.h"
#include "platform/Controls.h"
#include "song/CellEditing.h"
#include "song/Options.h"
#include "song/WorkHistory.h"

namespace valdorin {

namespace {

// Toggle instrument on the current cell; true when it put the chosen text in.
bool toggleCurrentCell(TSequence& seq) {
    const int col = seq.StringGrid1->Col();
    const int row = seq.StringGrid1->Row();
    const std::string chosen = seq.ChooserText();
    std::string text = song::toggledCell(seq.Grid.cell(col, row), chosen);
    const bool filled = !text.empty();
    seq.Grid.setCell(col, row, std::move(text));
    return filled;
}

}  // namespace

void TSequence::StringGrid1MouseUp(Qt::MouseButton button) {
    const UndoStep step(*this, button == Qt::RightButton ? "Volume Step" : "Toggle Instrument");
    if (button == Qt::RightButton) {
        SampleVolume(StringGrid1->Col(), StringGrid1->Row());
        return;
    }
    if (button != Qt::LeftButton && button != Qt::MiddleButton)
        return;
    if (!toggleCurrentCell(*this))
        return;
    // The preview looks the chosen text up as it stands, without reading a volume digit.
    const std::string chosen = ChooserText();
    if (isKitInstrument(positionOf(chosen)))
        DXWaveList1->PlayEntry(Kit.FindEntry(chosen));
}

void TSequence::SampleVolume(int column, int row) {
    const std::string& text = Grid.cell(column, row);
    if (text.empty())
        return;
    if (auto stepped = song::steppedVolumeDigit(text))
        Grid.setCell(column, row, *stepped);
}

void TSequence::FormKeyPress(char key) {
    const UndoStep step(*this, "Volume Digit");
    if (!song::isVolumeDigitKey(key))
        return;
    const int col = StringGrid1->Col();
    const int row = StringGrid1->Row();
    song::TypedDigit typed = song::typedVolumeDigit(Grid.cell(col, row), ChooserText(), key);
    Grid.setCell(col, row, std::move(typed.text));
    if (typed.moveCursor)
        StringGrid1->SetCurrent(col, song::cellJumpRow(row, CellJump, Grid.rowCount()));
}

bool TSequence::StringGrid1KeyDown(int key) {
    const UndoStep step(*this, "Delete");
    if (key != Qt::Key_Delete)
        return false;
    const TStringGrid::Rect sel = StringGrid1->Selection();
    song::clearCells(Grid, sel.left, sel.top, sel.right, sel.bottom);
    return true;
}

void TSequence::Insertinstrument1Click() {
    const UndoStep step(*this, "Insert Instrument");
    StringGrid1->setFocus(Qt::ShortcutFocusReason);
    toggleCurrentCell(*this);
}

void TSequence::ComboBox1Change() {
    const int instrument = song::shownPanInstrument(ChooserText());
    if (instrumentEntry(instrument).empty())
        return;
    Panning->SetPosition(Kit.FindEntry(instrumentEntry(instrument)).Pan);
}

void TSequence::PanningChange() {
    const int position = positionOf(ChooserText());
    if (position > kKitInstruments) {
        platform::dialogs().notice(
            "Sample Panning",
            "Use the sample importer (Edit/Sample#) to change your imported samples panning");
        return;
    }
    if (isKitInstrument(position))
        Kit.FindEntry(instrumentEntry(position)).Pan = Panning->Position();
}

void TSequence::CellJump1Click() {
    TForm2* options = windows().Form2;
    if (!options)
        return;
    options->show();
    options->raise();
    options->activateWindow();
}

void TSequence::BitBtn7Click() {
    const UndoStep step(*this, "Clear Pattern");
    song::clearCells(Grid, 1, 2, GridTable::kColumns - 1, song::kLastClearedRow);
    Grid.setCell(0, 0, std::string());
    Edit2->setText(QString());
    Loop->setValue(1);
}

void TSequence::Edit2Change() {
    const UndoStep step(*this, "Pattern Name", Reacting::PatternName);
    Grid.setCell(0, 0, platform::programText(Edit2->text()));
}

void TSequence::Edit3Change() {
    const UndoStep step(*this, "Song Title", Reacting::SongTitle);
    setWindowTitle(QString(kTitledCaption) + Edit3->text());
}

}  // namespace valdorin
