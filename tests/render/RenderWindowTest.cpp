// The mixer in the windows: the save dialog, the Render window and the progress bar, Stop in
// the middle of a render, and what every way of ending leaves behind.

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "RenderOracle.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/SampleSlots.h"
#include "platform/FileSystem.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/SongTiming.h"
#include "render/Unit1.h"
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
