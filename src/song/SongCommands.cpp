// The play list's own commands and song files: Move up and Move down, Delete marked, Open Song,
// Save Song and New Song. UI thread only.
//
// The song file's layout and reading rule live in song/SongFile.h; these handlers run the
// commands' steps over the window's controls.

#include <QLineEdit>
#include <QToolButton>

#include "core/Sequencer.h"
#include "core/Text.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "song/CellEditing.h"
#include "song/SongFile.h"
#include "song/WorkHistory.h"

namespace valdorin {

using platform::programText;
using platform::qtText;

namespace {

// Exchanges two entries; each check mark goes with its entry.
void exchange(platform::TListBox& list, int a, int b) {
    const std::string first = list.Item(a);
    const bool firstChecked = list.Checked(a);
    list.item(a)->setText(qtText(list.Item(b)));
    list.SetChecked(a, list.Checked(b));
    list.item(b)->setText(qtText(first));
    list.SetChecked(b, firstChecked);
}

// A song title that names no file: Open and Save stop here.
bool noSong(const std::string& title) {
    return title.empty() || title == song::kSongExtension;
}

}  // namespace

void TSequence::UpDown1Click(bool up) {
    const UndoStep step(*this, up ? "Move Up" : "Move Down");
    const int index = SongList->ItemIndex();
    const int other = up ? index - 1 : index + 1;
    if (index < 0 || other < 0 || other >= SongList->Count())
        return;
    SongList->SetItemIndex(other);
    exchange(*SongList, index, other);
}

void TSequence::SongBinClick() {
    const UndoStep step(*this, "Delete Marked");
    for (int i = 0; i < SongList->Count();) {
        if (SongList->Checked(i))
            SongList->Delete(i);
        else
            ++i;
    }
}

// Open Song.
void TSequence::BitBtn8Click() {
    const UndoStep step(*this, "Open Song");
    OpenDialog1.directory = ProgramDirectory;
    const std::string chosen = platform::dialogs().openFile(OpenDialog1).value_or("");
    Edit3->setText(qtText(chosen));
    if (noSong(programText(Edit3->text())))
        return;
    SongList->clear();
    BitBtn3->setEnabled(true);
    MusicPad.clear();
    MusicPad = fs::readLines(fs::pathFromText(chosen));
    const song::SongFileContent content = song::readSongLines(MusicPad);
    MusicPad.clear();
    for (const std::string& entry : content.entries)
        SongList->Add(entry);
    if (Slots)
        song::applySongRecords(content.records, *Slots, SlotWindows);
    Edit3->setText(qtText(song::songTitle(chosen)));
}

// Save Song.
void TSequence::BitBtn9Click() {
    const UndoStep step(*this, "Save Song");
    SaveDialog1.directory = ProgramDirectory;
    SaveDialog1.fileName = programText(Edit3->text());
    const std::string chosen = platform::dialogs().saveFile(SaveDialog1).value_or("");
    Edit3->setText(qtText(fileNamePart(chosen)));
    BitBtn3->setEnabled(true);
    MusicPad.clear();
    const std::string title = programText(Edit3->text());
    if (noSong(title))
        return;
    if (Slots) {
        MusicPad = song::songFileLines(SongList->Items(), song::songSlotsOf(*Slots));
    } else {
        song::SongSlots blank;
        for (auto& slot : blank)
            slot = {"Blank.wav", 44100, 0};
        MusicPad = song::songFileLines(SongList->Items(), blank);
    }
    // Written beside the old file and renamed over it: a failed save leaves the old song whole.
    try {
        fs::writeLines(fs::pathFromText(chosen), MusicPad);
    } catch (...) {
        MusicPad.clear();
        throw;
    }
    MusicPad.clear();
    Edit3->setText(qtText(title.substr(0, title.size() >= 4 ? title.size() - 4 : 0)));
}

void TSequence::New_SongClick() {
    const UndoStep step(*this, "New Song");
    song::clearCells(Grid, 1, 2, GridTable::kColumns - 1, song::kLastClearedRow);
    Grid.setCell(0, 0, std::string());
    Edit2->setText(QString());
    SongList->clear();
    Edit3->clear();
    setWindowTitle(kCaption);
}

}  // namespace valdorin
