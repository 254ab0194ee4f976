// Song playback: Play Song and the song timer's tick. UI thread only.
//
// Play Song compiles the play list into MainPlay (playback/CompileSong.h) and starts the song
// timer; each tick sounds one step, six lines, and a "//" line at the start of a tick first sets
// the tempo for the ticks after it. Sounds started in a tick land in the output at the tick's
// nominal time (platform/Timer.h), so the song keeps its grid to the frame.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include "core/Sequencer.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "platform/Controls.h"
#include "playback/CompileSong.h"
#include "song/WorkHistory.h"

namespace valdorin {

namespace {

// The main window following each compiled pattern: tempo bar, loop box, tempo display and
// pattern name box.
class WindowCompileView final : public playback::CompileView {
  public:
    explicit WindowCompileView(TSequence& seq) : seq_(seq) {}
    void tempoRead(int tempo) override { seq_.Delay->SetPosition(tempo); }
    void loopCountRead(int loops) override { seq_.Loop->setValue(loops); }
    void patternRead(const GridTable& grid) override {
        seq_.TempoRefresh();
        seq_.Edit2->setText(platform::qtText(grid.cell(0, 0)));
    }

  private:
    TSequence& seq_;
};

}  // namespace

playback::CompileResult TSequence::CompileSong() {
    MusicPad.clear();
    WindowCompileView view(*this);
    const playback::CompileResult result = playback::compileSong(
        {fs::pathFromText(ProgramDirectory), SongList->Items(), SongList->ItemIndex()}, Grid,
        MainPlay, view);
    MusicPad.clear();
    if (!result.compiled)
        return result;
    SongList->SetItemIndex(result.selectAfter());
    // The BPM display keeps the last pattern's value until the first tempo line is played.
    if (Global->isChecked())
        Delay->SetPosition(SavedGlobalTempo);
    SongPosition = 0;
    StopRequest.clear();
    return result;
}

void TSequence::BitBtn12Click() {
    // Compiling loads each pattern into the grid: the grid it leaves is one step.
    const UndoStep step(*this, "Play Song");
    SetPlayButtonsEnabled(false);
    if (!CompileSong().compiled) {
        SetPlayButtonsEnabled(true);
        return;
    }
    CellErrorReported = false;
    DXSound1Initialize();
    // The interval is left as it is: the first tick comes one current interval later.
    DXTimer1.SetEnabled(true);
}

void TSequence::DXTimer1Timer() {
    // A compiled song emptied under a running timer (the end of a render) ends as at its end
    // line, as does a song whose last block was cut short.
    auto line = [this]() -> const std::string* {
        if (SongPosition < 0 || SongPosition >= static_cast<int>(MainPlay.size()))
            return nullptr;
        return &MainPlay[static_cast<std::size_t>(SongPosition)];
    };
    if (const std::string* at = line(); at && *at == playback::kTempoMark) {
        ++SongPosition;
        const std::string* tempo = line();
        if (!tempo) {
            EndSong();
            return;
        }
        Delay->SetPosition(clampTempo(strToInt(*tempo)));
        if (Global->isChecked())
            Delay->SetPosition(SavedGlobalTempo);
        Tempo = Delay->Position();
        Label6->setText(QString::fromStdString(bpmText(Tempo)));
        // The song's own interval; the step interval of pattern playback stays as it was.
        DXTimer1.SetInterval(stepIntervalMs(Tempo));
        ++SongPosition;
    }
    for (int channel = 1; channel <= GridTable::kChannels; ++channel) {
        const std::string* cell = line();
        if (!cell) {
            EndSong();
            return;
        }
        CellTrigger(*cell);
        ++SongPosition;
        const std::string* next = line();
        if (!next || *next == playback::kEndLine || StopRequest == "Stop") {
            EndSong();
            return;
        }
    }
}

void TSequence::EndSong() {
    // An emptied song has no beginning to go back to: it ends even with the song loop ticked.
    if (Noend->isChecked() && !MainPlay.empty()) {
        // The next tick begins again with the first block's tempo line.
        SongPosition = 0;
        return;
    }
    MainPlay.clear();
    SetPlayButtonsEnabled(true);
    SongList->SetItemIndex(0);
    DXTimer1.SetEnabled(false);
}

}  // namespace valdorin
