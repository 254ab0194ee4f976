// Song playback in the main window through the capture output: Play Song compiles real pattern
// files, the song timer ticks in a real event loop, and every onset, tempo changes included,
// must land on the frame of its tick's nominal time.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include "core/StringGrid.h"
#include "playback/CaptureFixture.h"
#include "song/PatternFile.h"
#include "support/PatternFiles.h"

namespace valdorin {
namespace {

using audio::Clock;
using std::chrono::milliseconds;
using ::testing::ElementsAre;
using testing::Onset;
using testing::pulseAmplitude;

// The kit instrument whose pulse an onset's level shows (pulses are instrument / 64).
int instrumentOf(const Onset& o) {
    return static_cast<int>(std::lround(o.level * 64));
}

class SongPlayback : public testing::CaptureFixture {
  protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        seq->activateWindow();
    }

    // "<name>.pat": `steps` steps, step k sounding kit instrument instruments[k-1] in channel
    // 1 + k % 6; tempo and loop count lines as given.
    void writePattern(const std::string& name, const std::vector<int>& instruments, int tempo,
                      int loops) {
        const int length = static_cast<int>(instruments.size());
        GridTable grid = testing::patternGrid(name, length);
        for (int k = 1; k <= length; ++k) {
            std::string cell = instrumentEntry(instruments[k - 1]);
            cell[11] = '0';  // the volume digit: full level
            grid.setCell(1 + k % 6, k + 1, cell);
        }
        fs::writeLines(
            *dir / (name + ".pat"),
            song::patternFileLines(grid, length, tempo, loops, testing::blankSlotLines(44100)));
    }
    void playList(const std::vector<std::string>& names) {
        seq->SongList->clear();
        for (const auto& n : names)
            seq->SongList->Add(n);
    }
    void pressF5() { QTest::keyClick(seq->StringGrid1, Qt::Key_F5); }
    bool songOver() const { return !seq->DXTimer1.Enabled() && playButtonsEnabled(); }

    // The onsets' instruments, and each gap between ticks checked against the interval the
    // walk gives it (gaps[i] is the time from tick i to tick i+1).
    std::vector<int> expectOnTheWalk(const std::vector<Onset>& onsets,
                                     const std::vector<int>& gaps) {
        EXPECT_EQ(onsets.size(), stamps.size());
        std::vector<int> instruments;
        int reanchored = 0;
        for (std::size_t i = 0; i < onsets.size() && i < stamps.size(); ++i) {
            SCOPED_TRACE(i);
            instruments.push_back(instrumentOf(onsets[i]));
            EXPECT_NEAR(onsets[i].frame, frameOf(stamps[i]), 1);
            if (i == 0 || i - 1 >= gaps.size())
                continue;
            const int interval = gaps[i - 1];
            if (stamps[i] - stamps[i - 1] > milliseconds(interval) + audio::tickSlack())
                ++reanchored;
            else
                EXPECT_NEAR(onsets[i].frame - onsets[i - 1].frame, framesOf(interval), 1);
        }
        EXPECT_LE(reanchored, 2) << "more late ticks than a loaded machine explains";
        return instruments;
    }
};

TEST_F(SongPlayback, TwoPatternsLandWhereTheWalkSaysWithTheTempoChangeAtTheFifthStep) {
    // The example's shape: Intro 2 steps twice, Verse 3 steps once; tempos 15 and 25 (30 and
    // 50 ms) keep the test short.
    writePattern("Intro", {1, 2}, 15, 2);
    writePattern("Verse", {3, 4, 5}, 25, 1);
    playList({"Intro", "Verse"});
    seq->DXTimer1.SetInterval(30);  // as a song played before would have left it

    const auto pressed = Clock::now();
    pressF5();
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
    EXPECT_EQ(seq->MainPlay.size(), 47u);
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Verse");
    // Compiling refreshed the tempo from Verse; the song's ticks leave the step interval alone.
    EXPECT_EQ(seq->StepInterval, 50);
    seq->StepInterval = 77;
    ASSERT_TRUE(runUntil([&] { return songOver(); }));
    runFor(milliseconds(100));
    ASSERT_EQ(stamps.size(), 7u) << "seven steps, the end line costs none";

    const auto onsets = renderOnsets();
    // The first step of Verse follows the last of Intro at Intro's interval; Verse's own
    // interval holds from its second step on.
    EXPECT_THAT(expectOnTheWalk(onsets, {30, 30, 30, 30, 50, 50}),
                ElementsAre(1, 2, 1, 2, 3, 4, 5));
    EXPECT_GE(onsets[0].frame, frameOf(pressed) + framesOf(30) - 1);

    EXPECT_EQ(seq->Label6->text().toStdString(), "288");
    EXPECT_EQ(seq->Delay->Position(), 25);
    EXPECT_EQ(seq->DXTimer1.Interval(), 50);
    EXPECT_EQ(seq->StepInterval, 77) << "the pattern step interval is not the song's";
    EXPECT_TRUE(seq->MainPlay.empty());
    EXPECT_EQ(seq->SongList->ItemIndex(), 0);
}

TEST_F(SongPlayback, GlobalPlaysEveryPatternAtTheSavedGlobalTempo) {
    writePattern("A", {1, 1, 1}, 15, 1);
    writePattern("B", {2}, 140, 1);
    playList({"A", "B"});
    seq->Delay->setValue(90);  // the user's move: saved global tempo 90
    seq->Global->setChecked(true);
    seq->DXTimer1.SetInterval(180);  // set by that move, Global being checked
    pressF5();
    EXPECT_EQ(seq->Delay->Position(), 90);
    EXPECT_EQ(seq->Label6->text().toStdString(), "51") << "the last pattern's until played";
    ASSERT_TRUE(runUntil([&] { return !stamps.empty(); }));
    EXPECT_EQ(seq->Label6->text().toStdString(), "80");
    ASSERT_TRUE(runUntil([&] { return songOver(); }));
    EXPECT_THAT(expectOnTheWalk(renderOnsets(), {180, 180, 180}), ElementsAre(1, 1, 1, 2));
    EXPECT_EQ(seq->SavedGlobalTempo, 90);
}

TEST_F(SongPlayback, WithTheSongLoopTheSongStartsAgainUntilStop) {
    writePattern("A", {1}, 10, 1);
    writePattern("B", {2}, 20, 1);
    playList({"A", "B"});
    seq->Noend->setChecked(true);
    seq->DXTimer1.SetInterval(20);
    pressF5();
    ASSERT_TRUE(runUntil([&] { return stamps.size() >= 6; }));
    QTest::keyClick(seq->StringGrid1, Qt::Key_F8);
    EXPECT_TRUE(songOver());
    EXPECT_TRUE(seq->MainPlay.empty());
    const auto played = stamps.size();
    runFor(milliseconds(100));
    EXPECT_EQ(stamps.size(), played);
    const auto onsets = renderOnsets();
    std::vector<int> gaps;
    for (std::size_t i = 0; i < played; ++i)
        gaps.push_back(i % 2 == 0 ? 20 : 40);
    const auto instruments = expectOnTheWalk(onsets, gaps);
    for (std::size_t i = 0; i < instruments.size(); ++i)
        EXPECT_EQ(instruments[i], i % 2 == 0 ? 1 : 2) << i;
}

TEST_F(SongPlayback, AnEmptyPlayListChangesNothing) {
    seq->Delay->SetPosition(33);
    pressF5();
    EXPECT_TRUE(playButtonsEnabled());
    EXPECT_FALSE(seq->DXTimer1.Enabled());
    EXPECT_TRUE(seq->MainPlay.empty());
    EXPECT_EQ(seq->Delay->Position(), 33);
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(SongPlayback, F5DuringASongStartsItAgainFromItsBeginning) {
    writePattern("A", {1, 2, 3, 4}, 10, 1);
    playList({"A"});
    seq->DXTimer1.SetInterval(20);
    pressF5();
    ASSERT_TRUE(runUntil([&] { return stamps.size() >= 2; }));
    pressF5();
    const auto atRestart = stamps.size();
    EXPECT_EQ(seq->MainPlay.size(), 2u * 27) << "the new lines stand behind the end line";
    EXPECT_EQ(seq->SongPosition, 0);
    ASSERT_TRUE(runUntil([&] { return songOver(); }));
    const auto instruments = expectOnTheWalk(renderOnsets(), {});
    ASSERT_EQ(instruments.size(), atRestart + 4);
    for (std::size_t i = 0; i < atRestart; ++i)
        EXPECT_EQ(instruments[i], static_cast<int>(i) + 1);
    EXPECT_THAT(
        std::vector<int>(instruments.begin() + static_cast<long>(atRestart), instruments.end()),
        ElementsAre(1, 2, 3, 4));
    EXPECT_TRUE(seq->MainPlay.empty());
}

TEST_F(SongPlayback, AMissingPatternStopsPlaySongWithTheButtonsGreyedUntilStop) {
    writePattern("A", {1}, 10, 1);
    playList({"A", "Gone", "A"});
    pressF5();
    EXPECT_THAT(dialogs.errors(),
                ElementsAre("Cannot open file " + seq->ProgramDirectory + "/Gone.pat"));
    EXPECT_FALSE(seq->DXTimer1.Enabled());
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
    EXPECT_EQ(seq->MainPlay.size(), 8u) << "the first block stays";
    seq->BitBtn4Click();
    EXPECT_TRUE(playButtonsEnabled());
    EXPECT_TRUE(seq->MainPlay.empty());
}

TEST_F(SongPlayback, ABadNumberStopsPlaySongTooAndARetryPlaysTheOldLinesFirst) {
    writePattern("A", {1}, 10, 1);
    dir->write("Bad.pat", "Bad\r\nLength:\r\nfour\r\n");
    playList({"A", "Bad"});
    pressF5();
    EXPECT_THAT(dialogs.errors(), ElementsAre("'four' is not a valid integer value"));
    EXPECT_FALSE(seq->DXTimer1.Enabled());
    // Without Stop, the next Play Song appends behind the lines left over and plays them first.
    playList({"A"});
    seq->DXTimer1.SetInterval(20);
    seq->BitBtn12Click();
    EXPECT_EQ(seq->MainPlay.size(), 8u + 9u);
    ASSERT_TRUE(runUntil([&] { return songOver(); }));
    EXPECT_EQ(stamps.size(), 2u);
}

TEST_F(SongPlayback, StartsAtTheSelectedEntryAndSelectsTheOneBefore) {
    for (int i = 1; i <= 5; ++i)
        writePattern("P" + std::to_string(i), {i}, 10 + i, i);
    playList({"P1", "P2", "P3", "P4", "P5"});
    seq->Grid.setRowCount(30);
    seq->SongList->SetItemIndex(2);
    seq->BitBtn12Click();
    EXPECT_EQ(seq->SongList->ItemIndex(), 1);
    EXPECT_EQ(seq->MainPlay.size(), (2u + 6 * 3) + (2u + 6 * 4) + (2u + 6 * 5) + 1);
    EXPECT_EQ(seq->Edit2->text().toStdString(), "P5");
    EXPECT_EQ(seq->Loop->value(), 5);
    EXPECT_EQ(seq->Delay->Position(), 15);
    EXPECT_EQ(seq->Grid.rowCount(), 30) << "compiling leaves the row count";
    seq->BitBtn4Click();
}

TEST_F(SongPlayback, ASongEmptiedUnderTheTimerEndsAsAtItsEndLine) {
    writePattern("A", std::vector<int>(16, 1), 100, 1);
    playList({"A"});
    seq->Noend->setChecked(true);
    seq->DXTimer1.SetInterval(20);
    pressF5();
    seq->MainPlay.clear();  // as the end of a render does
    ASSERT_TRUE(runUntil([&] { return !seq->DXTimer1.Enabled(); }, milliseconds(3000)));
    EXPECT_TRUE(playButtonsEnabled());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(SongPlayback, AnUndecodableCellIsReportedOncePerPlaybackAndSkipped) {
    writePattern("A", {1, 1, 1, 1}, 10, 1);
    std::vector<std::string> lines = fs::readLines(*dir / "A.pat");
    lines[7 * 2 + 3] = "Kick      [x]";  // step 1, channel 3
    lines[7 * 4 + 3] = "Kick      [y]";  // step 3
    fs::writeLines(*dir / "A.pat", lines);
    playList({"A"});
    seq->DXTimer1.SetInterval(20);
    pressF5();
    ASSERT_TRUE(runUntil([&] { return songOver(); }));
    QCoreApplication::processEvents();
    EXPECT_THAT(dialogs.errors(), ElementsAre("'x' is not a valid integer value"));
    EXPECT_EQ(renderOnsets().size(), 4u) << "the other cells of those steps still sound";
}

}  // namespace
}  // namespace valdorin
