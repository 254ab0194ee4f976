// The render command: every sound the song may use goes into the temp directory, the play list
// is compiled as Play Song compiles it, and the mixer of the Render window makes one WAV file
// of it. UI thread only.

#include <QToolButton>

#include "core/ProgramFiles.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/Unit1.h"
#include "song/WorkHistory.h"

namespace valdorin {

namespace {

// The sample slots' file names; with no importer window, every slot is empty.
std::string slotFileName(const TSequence& seq, int slot) {
    return seq.Slots != nullptr ? seq.Slots->fileName(slot) : std::string(kBlankWav);
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
    const fs::Path temp = programDirectory / kTempDirName;
    // 3.
    render::exportKit(Kit, temp);
    // 4.
    render::removeSampleFiles(temp);
    // 5.
    for (int k = 1; k <= kSampleSlots; ++k)
        render::exportSample(slotFileName(*this, k), k, programDirectory, temp);
    // 6. Compile song from the start entry. The render takes every pattern's own tempo: Global
    // only sets the tempo bar, as Play Song would.
    {
        // One step for the grid compiling leaves, closed before the mixing lets other
        // commands run.
        const UndoStep step(*this, "Render");
        CompileSong();
    }
    // 7.
    RenderInstruments = render::usedInstruments(MainPlay);
    // 8.
    windows().Form1->Button1Click();
}

}  // namespace valdorin
