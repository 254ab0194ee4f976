// Pattern files and the pattern library: Save Pattern, Load pattern, Add to and Remove from
// the play list, Delete pattern. UI thread only.
//
// A pattern's name is its file's base name in the program directory, so every name is checked
// (validatePatternName) before it becomes a path: a name typed into the grid or read from a
// song file never reaches outside that directory.

#include "core/Sequencer.h"

#include <QLineEdit>
#include <QSpinBox>

#include "core/Errors.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "kits/SampleSlots.h"
#include "kits/SlotRules.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "song/WorkHistory.h"

namespace valdorin {

namespace {

// What an empty slot reports when the sample importer is not there to ask: the installed
// "Blank.wav" is a 44100 Hz file.
constexpr int kBlankWavRate = 44100;

// Empties the line buffer when a command ends, by success or by error, so that the buffer is
// empty between commands.
class LineBufferUse {
  public:
    explicit LineBufferUse(std::vector<std::string>& pad) : pad_(pad) { pad_.clear(); }
    ~LineBufferUse() { pad_.clear(); }
    LineBufferUse(const LineBufferUse&) = delete;
    LineBufferUse& operator=(const LineBufferUse&) = delete;

  private:
    std::vector<std::string>& pad_;
};

bool holds(const platform::TListBox& list, const std::string& name) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i) == name)
            return true;
    return false;
}

// The pattern file of a name: an existing one found without regard to letter case, or the
// exact path. Raises for a name that cannot be a file name of the program directory.
fs::Path patternFileOf(const std::string& programDirectory, const std::string& name) {
    const fs::Path dir = fs::pathFromText(programDirectory);
    return song::findPatternFile(dir, name).value_or(song::patternPath(dir, name));
}

song::SlotLines slotLines(const kits::SampleSlots* bank) {
    song::SlotLines lines;
    for (int s = 1; s <= song::kSlotCount; ++s) {
        song::SlotLine& line = lines[static_cast<std::size_t>(s - 1)];
        if (bank) {
            line.fileName = bank->fileName(s);
            line.frequency = bank->frequency(s);
        } else {
            line.fileName = kBlankWav;
            line.frequency = kBlankWavRate;
        }
    }
    return lines;
}

// Puts the slot lines of a loaded pattern into the sample slots. A slot whose line names
// "Blank.wav", or that the file does not reach, keeps its sample.
void restoreSlots(const std::vector<std::string>& lines, int length, kits::SampleSlots& bank,
                  kits::SlotView* view) {
    for (int s = 1; s <= song::kSlotCount; ++s) {
        const std::optional<std::string> line = song::slotFileName(lines, length, s);
        if (!line)
            continue;
        if (!kits::isEmptySlot(*line)) {
            bank.setFileName(s, *line);
            const int hz = song::slotFrequency(lines, length, s);
            bank.setBasePitch(s, hz);
            bank.setFrequency(s, hz);
        }
        if (kits::isEmptySlot(bank.fileName(s)))
            continue;
        if (!view)
            continue;
        const std::string caption = shortName(*line);
        if (caption != "Blank")
            view->setPickerCaption(s, caption);
        view->enableImporterControls();
    }
}

}  // namespace

void TSequence::AddToLibrary(const std::string& name) {
    MusicLib->Insert(static_cast<int>(song::libraryInsertPosition(MusicLib->Items(), name)), name);
}

// Save Pattern.
void TSequence::BitBtn6Click() {
    const UndoStep step(*this, "Save Pattern");
    ScratchName = Grid.cell(0, 0);
    const int length = strToInt(Grid.cell(2, 0));
    if (ScratchName.empty()) {
        platform::dialogs().notice("NAME", "Name of pattern?");
        return;
    }
    // Before anything is built: a name that is no safe file name writes nothing.
    const fs::Path path = patternFileOf(ProgramDirectory, ScratchName);
    LineBufferUse pad(MusicPad);
    MusicPad =
        song::patternFileLines(Grid, length, Delay->Position(), Loop->value(), slotLines(Slots));
    // Written beside the old file and renamed over it: a failed save leaves the old one whole.
    song::writePatternFile(path, MusicPad);
    MusicPad.clear();
    if (holds(*SongList, ScratchName))
        return;
    SongList->Add(ScratchName);
    if (holds(*MusicLib, ScratchName))
        return;
    AddToLibrary(ScratchName);
}

// Load pattern: any button, after a left press has moved the selection.
void TSequence::SongListMouseDown(Qt::MouseButton) {
    const UndoStep step(*this, "Load Pattern");
    const int index = SongList->ItemIndex();
    if (index < 0)
        return;
    const std::string name = SongList->Item(index);
    if (name.empty() || name == song::kBlankEntry)
        return;
    // An entry read from a song file may be anything: one that is no plain pattern name of the
    // program directory fails to open, as a missing file does.
    const fs::Path path = song::entryPatternFile(fs::pathFromText(ProgramDirectory), name);
    LineBufferUse pad(MusicPad);
    MusicPad = fs::readLines(path);
    const song::PatternHead head =
        song::readPattern(MusicPad, Grid, fs::textFromPath(path.filename()),
                          [this](int tempo) { Delay->SetPosition(clampTempo(tempo)); });
    Loop->setValue(head.loops);
    if (Slots)
        restoreSlots(MusicPad, head.length, *Slots, SlotWindows);
    // Setting the bar ran no change command: bring the step interval and BPM display along.
    TempoRefresh();
    Edit2->setText(platform::qtText(Grid.cell(0, 0)));
}

// Add to play list (double-click on the library, or BitBtn1).
void TSequence::MusicLibDblClick() {
    const UndoStep step(*this, "Add to Play List");
    const int index = MusicLib->ItemIndex();
    if (index < 0)
        return;
    const std::string name = MusicLib->Item(index);
    if (name == song::kBlankEntry)
        return;
    SongList->Add(name);
}

// Remove from play list.
void TSequence::BitBtn2Click() {
    const UndoStep step(*this, "Remove from Play List");
    const int index = SongList->ItemIndex();
    if (index < 0)
        return;
    const std::string name = SongList->Item(index);
    if (holds(*MusicLib, name)) {
        SongList->Delete(index);
        return;
    }
    if (name == song::kBlankEntry)
        return;
    AddToLibrary(name);
    SongList->Delete(index);
}

// Delete pattern.
void TSequence::LibBinClick() {
    const UndoStep step(*this, "Delete Pattern");
    const int index = MusicLib->ItemIndex();
    if (index <= 0)
        return;
    const std::string name = MusicLib->Item(index);
    if (name == song::kBlankEntry)
        return;
    if (!platform::dialogs().askOkCancel(
            "!Are you sure you wish to delete?",
            "This will Delete this pattern from both Pattern Lib and Play List, Some Songs that "
            "contain this pattern may not play, are you sure?"))
        return;
    MusicLib->Delete(index);
    // A file that cannot be deleted is passed over without a message; so is a name that cannot
    // be a file name of the program directory, which no file can belong to. Only a regular file
    // goes: a directory that happens to carry the name stays.
    try {
        const fs::Path path = patternFileOf(ProgramDirectory, name);
        if (fs::fileExists(path))
            fs::removeFile(path);
    } catch (const Error&) {
    }
    for (int i = SongList->Count() - 1; i >= 0; --i)
        if (SongList->Item(i) == name)
            SongList->Delete(i);
}

}  // namespace valdorin
