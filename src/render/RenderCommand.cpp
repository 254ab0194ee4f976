// The render command: every sound the song may use goes into the temp directory, the play list
// is compiled as Play Song compiles it, and the mixer of the Render window makes one WAV file
// of it. UI thread only.

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "playback/CompileSong.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/Unit1.h"

namespace valdorin {

namespace {

// The sample slots' file names; with no importer window, every slot is empty.
std::string slotFileName(const TSequence& seq, int slot) {
    return seq.Slots != nullptr ? seq.Slots->fileName(slot) : std::string("Blank.wav");
}

// The main window following each compiled pattern: tempo bar, loop box, tempo display and
// pattern name box.
class RenderCompileView final : public playback::CompileView {
  public:
    explicit RenderCompileView(TSequence& seq) : seq_(seq) {}
    void tempoRead(int tempo) override { seq_.Delay->SetPosition(tempo); }
    void loopCountRead(int loops) override { seq_.Loop->setValue(loops); }
    void patternRead(const GridTable& grid) override {
        seq_.TempoRefresh();
        seq_.Edit2->setText(platform::qtText(grid.cell(0, 0)));
    }

  private:
    TSequence& seq_;
};

std::vector<std::string> playList(const platform::TListBox& list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i)
        entries.push_back(list.Item(i));
    return entries;
}

}  // namespace

void TSequence::RendorClick() {
    // The render lets window messages through while it mixes, and the song timer walks the same
    // compiled song a render builds: neither may be under way.
    if (Rendering) {
        platform::dialogs().notice("Render", "A song is being rendered already.");
        return;
    }
    if (DXTimer1.Enabled()) {
        platform::dialogs().notice("Render",
                                   "A song is playing. Stop it before rendering the song.");
        return;
    }
    Rendering = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Rendering};

    // 1.
    SetPlayButtonsEnabled(false);
    // 2.
    MusicPad.clear();
    if (SongList->Count() == 0) {
        SetPlayButtonsEnabled(true);
        return;
    }
    const fs::Path programDirectory = fs::pathFromText(ProgramDirectory);
    const fs::Path temp = programDirectory / "temp";
    // 3.
    render::exportKit(Kit, temp);
    // 4.
    render::removeSampleFiles(temp);
    // 5.
    for (int k = 1; k <= kSampleSlots; ++k)
        render::exportSample(slotFileName(*this, k), k, programDirectory, temp);
    // 6. Compile song from the start entry; the render takes every pattern's own tempo, so
    // Global only sets the bar as Play Song would.
    RenderCompileView view(*this);
    const playback::CompileResult compiled = playback::compileSong(
        {programDirectory, playList(*SongList), SongList->ItemIndex()}, Grid, MainPlay, view);
    MusicPad.clear();
    SongList->SetItemIndex(compiled.selectAfter());
    if (Global->isChecked())
        Delay->SetPosition(SavedGlobalTempo);
    SongPosition = 0;
    StopRequest.clear();
    // 7.
    RenderInstruments = render::usedInstruments(MainPlay);
    // 8.
    windows().Form1->Button1Click();
}

}  // namespace valdorin
