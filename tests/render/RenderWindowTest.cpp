// The mixer in the windows: the save dialog, the Render window and the progress bar, Stop in
// the middle of a render, and what every way of ending leaves behind.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sstream>

#include "RenderOracle.h"
#include "cli/Cli.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/SongTiming.h"
#include "render/Unit1.h"
#include "song/PatternFile.h"
#include "support/EventLoop.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using render::test::CompiledSong;
using render::test::framesOf;
using render::test::kitCell;
using render::test::OracleMix;
using render::test::readAll;
using render::test::testSound;
using render::test::TestSound;
using render::test::writeAll;
using Row = std::array<std::string, 6>;

class RenderWindow : public testing::WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        form = windows().Form1;
        temp = dir->path() / "temp";
        std::filesystem::create_directories(temp);
    }
    // The song as the render command leaves it for the mixer.
    void prepare(const std::vector<std::string>& song) {
        seq->SetPlayButtonsEnabled(false);
        seq->MainPlay = song;
        seq->RenderInstruments = render::usedInstruments(song);
    }
    void expectIdle() {
        EXPECT_TRUE(seq->BitBtn3->isEnabled());
        EXPECT_TRUE(seq->BitBtn12->isEnabled());
        EXPECT_TRUE(seq->MainPlay.empty());
        EXPECT_FALSE(seq->ProgressBar1->isVisible());
        EXPECT_FALSE(form->isVisible());
    }

    TForm1* form = nullptr;
    std::filesystem::path temp;
};

TEST_F(RenderWindow, CancellingTheDialogWritesNothingAndEndsTheRender) {
    prepare(CompiledSong{}.pattern(60, {Row{kitCell("Kick"), "", "", "", "", ""}}).done());
    form->Button1Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& asked = dialogs.shown[0].request;
    EXPECT_EQ(dialogs.shown[0].kind, "save");
    EXPECT_EQ(asked.title, "Save As One Big Lovely WAV File");
    EXPECT_EQ(asked.defaultExt, ".wav");
    EXPECT_EQ(asked.filter, "Audio files (*.wav)|*.WAV|All files (*.*)|*.*");
    EXPECT_TRUE(asked.overwritePrompt);
    expectIdle();
    EXPECT_FALSE(std::filesystem::exists(dir->path() / "work1.tmp"));
}

TEST_F(RenderWindow, ACompletedRenderWritesTheSongAndHidesTheWindows) {
    const TestSound kick = testSound(3000, 9000, 1);
    writeAll(render::kitEntryFile(temp, 1), kick.wav());
    seq->Kit.EntryAt(1).Pan = -600;
    const auto song = CompiledSong{}
                          .pattern(60, {Row{kitCell("Kick", '2'), "", "", "", "", ""},
                                        Row{"", "", "", "", "", kitCell("Kick")}})
                          .done();
    prepare(song);
    const auto out = dir->path() / "song.wav";
    dialogs.files.push_back(fs::textFromPath(out));
    form->Button1Click();
    expectIdle();
    EXPECT_EQ(form->Label2->text(), "Kick      [ ]");
    EXPECT_TRUE(std::filesystem::exists(dir->path() / "work1.tmp"));
    OracleMix want;
    want.add(kick, 44100, 0.0, -600 * 0.0005, (4000 - 500 * 2) * 0.00025);
    want.add(kick, 44100, 0.12, -600 * 0.0005, (4000 - 500 * 1) * 0.00025);
    EXPECT_EQ(framesOf(readAll(out)), want.out);
    EXPECT_EQ(readAll(out).size(), 44u + 4u * want.out.size());
}

TEST_F(RenderWindow, StopDuringARenderKeepsWhatWasMixedAndEndsIt) {
    const TestSound kick = testSound(500, 5000, 1);
    const TestSound sample = testSound(13000, 3000, 2);
    writeAll(render::kitEntryFile(temp, 1), kick.wav());
    writeAll(render::sampleFile(temp, 1), sample.wav());
    std::vector<Row> rows(200, Row{kitCell("Kick", '0'), "Sample1", "", "", "", ""});
    const auto song = CompiledSong{}.pattern(60, rows).done();
    prepare(song);
    const auto out = dir->path() / "song.wav";
    dialogs.files.push_back(fs::textFromPath(out));

    // Stop once the sample pass is under way, the way a user presses it.
    bool progressShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (seq->ProgressBar1->isVisible() && form->isVisible() &&
            form->Label2->text() == "Sample 1" && seq->ProgressBar1->value() > 0) {
            progressShown = true;
            seq->BitBtn4Click();
        }
    });
    watch.start(1);
    form->Button1Click();
    watch.stop();
    ASSERT_TRUE(progressShown);
    expectIdle();
    EXPECT_EQ(seq->ProgressBar1->value(), 0);

    // The output holds all kicks and the first n sample placements, for some n short of all.
    const auto got = framesOf(readAll(out));
    OracleMix want;
    const auto rowsTimed = render::songRows(song);
    for (const auto& r : rowsTimed)
        want.add(kick, 44100, r.start, 0.0, 1.0);
    std::size_t n = 0;
    while (want.out != got && n < rowsTimed.size()) {
        want.add(sample, seq->Slots->frequency(1), rowsTimed[n].start, seq->Slots->pan(1) * 0.0005,
                 (seq->Slots->volume(1) + 4000) * 0.00025);
        ++n;
    }
    EXPECT_EQ(want.out, got);
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, rowsTimed.size());
}

}  // namespace
}  // namespace valdorin

namespace valdorin {
namespace {

// The render command on a saved song: the same bytes as valdorin-cli render of that song.
class RenderCommand : public testing::WindowsFixture {
  protected:
    void writePattern(const std::string& name, int tempo, int loops, const std::vector<Row>& rows) {
        const int length = static_cast<int>(rows.size());
        GridTable grid;
        grid.setRowCount(length + 3);
        grid.setCell(0, 0, name);
        grid.setCell(1, 0, "Length:");
        grid.setCell(2, 0, std::to_string(length));
        for (int r = 0; r < length; ++r)
            for (int c = 0; c < 6; ++c)
                grid.setCell(c + 1, r + 2, rows[static_cast<std::size_t>(r)][c]);
        song::SlotLines slotLines;
        for (auto& s : slotLines)
            s = {"Blank.wav", 22050};
        song::writePatternFile(dir->path() / (name + ".pat"),
                               song::patternFileLines(grid, length, tempo, loops, slotLines));
    }
    void writeSongFile(const std::string& name, const std::vector<std::string>& entries,
                       const std::vector<std::string>& records = {}) {
        std::vector<std::string> lines = entries;
        lines.insert(lines.end(), records.begin(), records.end());
        fs::writeLines(dir->path() / name, lines);
    }
    render::test::Bytes cliRender(const std::string& song) {
        std::ostringstream out, err;
        const auto target = dir->path() / "cli.wav";
        EXPECT_EQ(cli::run({"render", (dir->path() / song).string(), target.string(), "--dir",
                            dir->path().string()},
                           out, err),
                  0)
            << err.str();
        return readAll(target);
    }
    // F11 into window.wav.
    render::test::Bytes windowRender() {
        const auto target = dir->path() / "window.wav";
        dialogs.files.push_back(fs::textFromPath(target));
        seq->Render1->trigger();
        return readAll(target);
    }
    void setUpSong() {
        writePattern("Verse", 60, 2,
                     {Row{kitCell("Kick", '0'), kitCell("ClsHiat"), "", "", "", ""},
                      Row{"", "Sample1", kitCell("Snare", '4'), "", "", ""},
                      Row{"Sample2", "", "", "", "", kitCell("Cymbol2", '9')}});
        writePattern("Fill", 90, 1,
                     {Row{kitCell("Cymbol1", '0'), kitCell("Tom2", '2'), "", "", "", ""},
                      Row{"", "", "sample1", "", "", ""}});
        // Slot 1 a sample of its own, slot 2 empty ("Blank.wav").
        writeAll(dir->path() / "hit.wav", testSound(3000, 12000, 3, 32000).wav());
        seq->Slots->setFileName(1, fs::textFromPath(dir->path() / "hit.wav"));
        seq->Slots->setFrequency(1, 40000);
        seq->Slots->setPan(1, -700);
        writeSongFile("song.sng", {"Verse", "Fill"},
                      {"<*sam1", fs::textFromPath(dir->path() / "hit.wav"), "40000", "//", "-700"});
        seq->SongList->Add("Verse");
        seq->SongList->Add("Fill");
    }
};

TEST_F(RenderCommand, TheWindowAndTheCommandLineWriteTheSameBytes) {
    setUpSong();
    // Global plays no part in a render.
    seq->Global->setChecked(true);
    seq->SavedGlobalTempo = 100;
    const auto window = windowRender();
    ASSERT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_GT(window.size(), 44u);
    EXPECT_EQ(window, cliRender("song.sng"));
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_TRUE(seq->BitBtn12->isEnabled());
    EXPECT_TRUE(seq->MainPlay.empty());
    EXPECT_EQ(seq->RenderInstruments, (std::vector<int>{1, 3, 4, 7, 8, 9, 17, 18}));
    EXPECT_EQ(seq->SongList->ItemIndex(), -1);
    // The temp files of the export stay.
    EXPECT_TRUE(std::filesystem::exists(dir->path() / "temp" / "16.wav"));
    EXPECT_TRUE(std::filesystem::exists(dir->path() / "temp" / "sample32.wav"));
}

TEST_F(RenderCommand, TheRenderStartsAtTheSelectedEntry) {
    setUpSong();
    writeSongFile("fill.sng", {"Fill"},
                  {"<*sam1", fs::textFromPath(dir->path() / "hit.wav"), "40000", "//", "-700"});
    seq->SongList->SetItemIndex(1);
    EXPECT_EQ(windowRender(), cliRender("fill.sng"));
    EXPECT_EQ(seq->SongList->ItemIndex(), 0);
}

TEST_F(RenderCommand, AnEmptyPlayListRendersNothing) {
    seq->Render1->trigger();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_TRUE(seq->BitBtn12->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(dir->path() / "temp" / "0.wav"));
}

TEST_F(RenderCommand, ARenderWhileASongPlaysIsRefusedAndChangesNothing) {
    setUpSong();
    seq->SetPlayButtonsEnabled(false);
    seq->DXTimer1.SetEnabled(true);
    seq->MainPlay = {"//", "60", "", "", "", "", "", "", "%%%"};
    seq->RendorClick();
    seq->DXTimer1.SetEnabled(false);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "notice");
    EXPECT_EQ(dialogs.shown[0].text, "A song is playing. Stop it before rendering the song.");
    EXPECT_EQ(seq->MainPlay.size(), 9u);
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(dir->path() / "temp" / "0.wav"));
}

TEST_F(RenderCommand, AMissingPatternStopsTheRenderBeforeTheDialog) {
    setUpSong();
    std::filesystem::remove(dir->path() / "Fill.pat");
    seq->Render1->trigger();
    ASSERT_EQ(dialogs.errors().size(), 1u);
    EXPECT_EQ(dialogs.errors()[0].rfind("Cannot open file", 0), 0u) << dialogs.errors()[0];
    EXPECT_EQ(dialogs.shown.size(), 1u);  // no save dialog
    // Both play buttons stay disabled until Stop.
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
    seq->BitBtn4Click();
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_TRUE(seq->MainPlay.empty());
}

}  // namespace
}  // namespace valdorin
