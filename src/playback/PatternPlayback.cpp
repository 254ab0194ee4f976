// Pattern playback: Play Pattern, the pattern timer's tick, the cell trigger, Stop, Clear List
// and Play Instrument. UI thread only.

#include <QCheckBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QToolButton>

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "playback/CellTrigger.h"
#include "song/WorkHistory.h"

namespace valdorin {

namespace {

// The main window's kit and sample slots as the cell trigger sees them. Made on the stack for
// each cell: no allocation in a tick.
class WindowSounds final : public playback::CellSounds {
  public:
    explicit WindowSounds(TSequence& seq) : seq_(seq) {}

    void setKitVolume(int instrument, int volume) override {
        if (auto* entry = seq_.Kit.TryFindEntry(instrumentEntry(instrument)))
            entry->Volume = volume;
    }
    void playKit(int instrument) override {
        if (auto* entry = seq_.Kit.TryFindEntry(instrumentEntry(instrument)))
            seq_.DXWaveList1->PlayEntry(*entry);
    }
    void restartSlot(int slot) override {
        // Before the importer exists there are no slots to sound.
        if (seq_.Slots)
            seq_.Slots->restart(slot);
    }

  private:
    TSequence& seq_;
};

// Sample slots 1 to 16 fall silent on Stop; 17 to 32 play on to their end.
constexpr int kStoppedSlots = 16;

}  // namespace

void TSequence::BitBtn3Click() {
    StopRequest.clear();
    CellErrorReported = false;
    SetPlayButtonsEnabled(false);
    PlayingLength = strToInt(Grid.cell(2, 0));
    PatternRow = 2;
    DXTimer2.SetInterval(StepInterval);
    DXTimer2.SetEnabled(true);
    DXSound1Initialize();
}

void TSequence::DXTimer2Timer() {
    // A tempo move takes effect from the next step; the BPM display is left alone.
    Tempo = Delay->Position();
    StepInterval = stepIntervalMs(Tempo);
    DXTimer2.SetInterval(StepInterval);
    for (int c = 1; c <= GridTable::kChannels; ++c)
        CellTrigger(Grid.cell(c, PatternRow));
    ++PatternRow;
    // ">=" rather than "==": a length cell of 0 or less (typed, or from a pattern file) would
    // otherwise never be reached and the timer would walk the rows for ever.
    const int end = PlayingLength + 2;
    if (PatternRow >= end && endless->isChecked())
        PatternRow = 2;
    if (PatternRow >= end) {
        DXTimer2.SetEnabled(false);
        SetPlayButtonsEnabled(true);
    }
}

void TSequence::CellTrigger(const std::string& text) {
    WindowSounds sounds(*this);
    try {
        playback::triggerCell(text, sounds);
    } catch (const std::exception& e) {
        // A text the lookup rule cannot decode is skipped. It is reported once per playback, and
        // after the tick: the error box is modal and must not hold up the tick that met it.
        if (CellErrorReported)
            return;
        CellErrorReported = true;
        QMetaObject::invokeMethod(
            this, [message = std::string(e.what())] { platform::dialogs().error(message); },
            Qt::QueuedConnection);
    }
}

void TSequence::BitBtn4Click() {
    for (int slot = 1; slot <= kStoppedSlots && Slots; ++slot) {
        try {
            Slots->stop(slot);
        } catch (const std::exception&) {
            // A slot without sound has nothing to silence; the other slots and the timers must
            // still stop.
        }
    }
    StopRequest = "Stop";
    SetPlayButtonsEnabled(true);
    DXTimer1.SetEnabled(false);
    DXTimer2.SetEnabled(false);
    MainPlay.clear();
}

void TSequence::BitBtn10Click() {
    const UndoStep step(*this, "Clear List");
    SongList->clear();
    StopRequest = "Stop";
    SetPlayButtonsEnabled(true);
    DXTimer1.SetEnabled(false);  // a pattern that is playing goes on
    MainPlay.clear();
    Edit3->clear();
}

void TSequence::BitBtn11Click() {
    WindowSounds sounds(*this);
    playback::previewChooser(ChooserText(), sounds);
}

void TSequence::SetPlayButtonsEnabled(bool on) {
    BitBtn3->setEnabled(on);
    BitBtn12->setEnabled(on);
}

}  // namespace valdorin
