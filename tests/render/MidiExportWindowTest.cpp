// File > "Export song to MIDI file..." in the main window: the save dialog it asks, the same
// bytes as valdorin-cli song midi, the play list from its selected entry, and what it leaves
// alone.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>

#include <sstream>

#include "cli/Cli.h"
#include "core/Sequencer.h"
#include "platform/Controls.h"
#include "render/MidiExport.h"
#include "render/SongFiles.h"
#include "render/WavBytes.h"
#include "support/WindowsFixture.h"

namespace valdorin::render::test {
namespace {

class MidiExportWindow : public testing::WindowsFixture {
  protected:
    void prepare(testing::ProgramDir& d) override {
        writeTwoPatterns(d.path());
        writePattern(d.path(), "Fill", 45, 1, {{"", "", kitCell("Crack", '2')}});
    }
    void playList(const std::vector<std::string>& entries) {
        for (const auto& e : entries)
            seq->SongList->Add(e);
    }
    // Runs the menu entry with the save dialog answering path (nullopt: cancelled).
    void exportTo(std::optional<std::string> path) {
        dialogs.files.push_back(std::move(path));
        seq->ExportMidi1->trigger();
    }
    std::string p(const std::string& name) const { return (*dir / name).string(); }
};

TEST_F(MidiExportWindow, MenuEntryAsksForAMidiFileInTheProgramDirectory) {
    const QMenu* file = seq->menuBar()->actions().front()->menu();
    ASSERT_TRUE(file->actions().contains(seq->ExportMidi1));
    EXPECT_EQ(seq->ExportMidi1->text().toStdString(), "Export song to MIDI file...");

    playList({"Intro"});
    exportTo(std::nullopt);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& request = dialogs.shown[0].request;
    EXPECT_EQ(dialogs.shown[0].kind, "save");
    EXPECT_EQ(request.defaultExt, ".mid");
    EXPECT_EQ(request.directory, seq->ProgramDirectory);
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_NE(request.filter.find("*.mid"), std::string::npos);
    EXPECT_TRUE(fs::listWithExtension(dir->path(), ".mid").empty()) << "cancelled: no file";
}

TEST_F(MidiExportWindow, GivesTheBytesOfTheCommandLine) {
    playList({"Intro", "Verse"});
    exportTo(p("window.mid"));
    EXPECT_TRUE(dialogs.errors().empty());

    writeSong(*dir / "song.sng", {"Intro", "Verse"});
    std::ostringstream out, err;
    ASSERT_EQ(cli::run({"song", "midi", p("song.sng"), p("cli.mid"), "--dir", p("")}, out, err), 0)
        << err.str();
    EXPECT_EQ(readAll(*dir / "window.mid"), readAll(*dir / "cli.mid"));
    EXPECT_EQ(readAll(*dir / "window.mid"), SongToMidi(introVerseCompiled()));
}

TEST_F(MidiExportWindow, StartsAtTheSelectedEntryAndLeavesTheWindowAsItWas) {
    playList({"Fill", "Intro", "Verse"});
    seq->SongList->SetItemIndex(1);
    seq->Grid.setCell(3, 4, "Tom1      [5]");
    seq->MainPlay = {"//", "60", "%%%"};  // a song that is playing
    const int tempo = seq->Delay->Position();
    const int loops = seq->Loop->value();

    exportTo(p("from-intro.mid"));
    EXPECT_EQ(readAll(*dir / "from-intro.mid"), SongToMidi(introVerseCompiled()));
    EXPECT_EQ(seq->SongList->ItemIndex(), 1);
    EXPECT_EQ(seq->Grid.cell(3, 4), "Tom1      [5]");
    EXPECT_EQ(seq->MainPlay, (std::vector<std::string>{"//", "60", "%%%"}));
    EXPECT_EQ(seq->Delay->Position(), tempo);
    EXPECT_EQ(seq->Loop->value(), loops);
}

TEST_F(MidiExportWindow, FailuresGoToTheErrorBox) {
    // A missing pattern is reported before any file is asked for.
    playList({"Intro", "Gone"});
    exportTo(p("never.mid"));
    EXPECT_EQ(dialogs.errors(), (std::vector<std::string>{"Cannot open file " + p("Gone.pat")}));
    EXPECT_EQ(dialogs.files.size(), 1u) << "no save dialog";
    dialogs.files.clear();
    dialogs.shown.clear();

    seq->SongList->Delete(1);
    exportTo(p("no-dir/out.mid"));
    EXPECT_EQ(dialogs.errors(),
              (std::vector<std::string>{"Cannot create file " + p("no-dir/out.mid")}));
}

TEST_F(MidiExportWindow, EmptyPlayListDoesNothing) {
    exportTo(p("out.mid"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(*dir / "out.mid"));
}

}  // namespace
}  // namespace valdorin::render::test
