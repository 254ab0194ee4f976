// File > "Export song to MIDI file...": the play list from its selected entry, compiled as the
// renderer compiles it, saved as a Standard MIDI File.

#include "core/Sequencer.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "render/MidiExport.h"

namespace valdorin {

void TSequence::ExportMidi1Click() {
    std::vector<std::string> playList;
    for (int i = 0; i < SongList->Count(); ++i)
        playList.push_back(SongList->Item(i));
    // Compiled before the dialog, so a missing pattern is reported before a file is asked for.
    const std::vector<std::string> compiled = render::compilePlayList(
        fs::pathFromText(ProgramDirectory), playList, SongList->ItemIndex());
    if (compiled.empty())
        return;
    MidiDialog.title = "Export song to MIDI file";
    MidiDialog.filter = "MIDI files (*.mid)|*.mid;*.MID|All files (*.*)|*.*";
    MidiDialog.defaultExt = ".mid";
    MidiDialog.directory = ProgramDirectory;
    MidiDialog.overwritePrompt = true;
    const auto chosen = platform::dialogs().saveFile(MidiDialog);
    if (!chosen)
        return;
    render::WriteSongMidi(compiled, fs::pathFromText(*chosen));
}

}  // namespace valdorin
