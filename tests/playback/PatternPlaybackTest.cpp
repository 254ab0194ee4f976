// Pattern playback in the main window, heard through the capture output: the real step timers
// tick in a real event loop, and each step's sounds land in the capture at the tick's nominal
// time, so onsets can be compared with the ticks frame for frame.

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>

#include <chrono>
#include <cmath>
#include <set>
#include <vector>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "core/StringGrid.h"
#include "kits/SampleSlots.h"
#include "platform/AudioTestSupport.h"
#include "platform/Controls.h"
#include "platform/Timer.h"
#include "playback/CaptureFixture.h"
#include "support/AudioCapture.h"
#include "support/EventLoop.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using audio::Clock;
using std::chrono::milliseconds;
using ::testing::ElementsAre;
using testing::kPulseFrames;
using testing::kRate;
using testing::Onset;
using testing::pulseAmplitude;

class PatternPlayback : public testing::CaptureFixture {};

TEST_F(PatternPlayback, SixteenStepsOneIntervalApartThenThePlayButtonsAreEnabled) {
    moveTempo(15);  // 30 milliseconds a step
    std::vector<std::tuple<int, int, std::string>> cells;
    for (int step = 1; step <= 16; ++step)
        cells.emplace_back(1 + step % 6, step, "Kick      [0]");
    pattern(16, cells);

    const auto clicked = Clock::now();
    QTest::mouseClick(seq->BitBtn3, Qt::LeftButton);
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    runFor(milliseconds(100));
    EXPECT_EQ(stamps.size(), 16u) << "no step after the last";
    EXPECT_FALSE(seq->DXTimer2.Enabled());

    const auto onsets = renderOnsets();
    ASSERT_EQ(onsets.size(), 16u);
    expectOnTheStepGrid(onsets, 30);
    // Nothing at once: the first step comes one interval after the command.
    EXPECT_GE(onsets[0].frame, frameOf(clicked) + framesOf(30) - 1);
    EXPECT_LT(onsets[0].frame, frameOf(clicked) + framesOf(30 + 100));
    for (const Onset& o : onsets)
        EXPECT_NEAR(o.level, pulseAmplitude(1), 1e-3);
}

TEST_F(PatternPlayback, WithRepeatThePatternWrapsWithoutAGapUntilStop) {
    moveTempo(15);
    // The kick on step 1, the snare on steps 2 to 4: the kick after the fourth step shows the
    // wrap.
    pattern(4, {{1, 1, "Kick      [0]"},
                {2, 2, "Snare     [0]"},
                {3, 3, "Snare     [0]"},
                {4, 4, "Snare     [0]"}});
    seq->endless->setChecked(true);
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return stamps.size() >= 10; }));
    QTest::mouseClick(seq->BitBtn4, Qt::LeftButton);
    EXPECT_TRUE(playButtonsEnabled());
    const auto played = stamps.size();
    runFor(milliseconds(100));
    EXPECT_EQ(stamps.size(), played) << "Stop ends the steps";

    const auto onsets = renderOnsets();
    expectOnTheStepGrid(onsets, 30);
    for (std::size_t i = 0; i < onsets.size(); ++i)
        EXPECT_NEAR(onsets[i].level, pulseAmplitude(i % 4 == 0 ? 1 : 3), 1e-3) << i;
}

TEST_F(PatternPlayback, AKickAtVolumeNineSoundsAtMinus45DecibelsAndSoDoesItsNextPreview) {
    moveTempo(10);
    pattern(1, {{1, 1, "Kick      [9]"}});
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    EXPECT_EQ(seq->Kit.FindEntry("Kick      [ ]").Volume, -4500);
    const float minus45 = pulseAmplitude(1) * std::pow(10.0f, -4500 / 2000.0f);
    const auto fromPattern = renderOnsets();
    ASSERT_EQ(fromPattern.size(), 1u);
    EXPECT_NEAR(fromPattern[0].level, minus45, 2e-5);

    seq->SetChooserText("Kick      [ ]");
    QTest::mouseClick(seq->BitBtn11, Qt::LeftButton);
    const auto fromPreview = renderOnsets();
    ASSERT_EQ(fromPreview.size(), 1u);
    EXPECT_NEAR(fromPreview[0].level, minus45, 2e-5);
    EXPECT_EQ(seq->Kit.FindEntry("Kick      [ ]").Volume, -4500);
}

TEST_F(PatternPlayback, AMadeUpChooserTextPreviewsTheTambourine) {
    seq->SetChooserText("Bongo");
    seq->BitBtn11Click();
    const auto onsets = renderOnsets();
    ASSERT_EQ(onsets.size(), 1u);
    EXPECT_NEAR(onsets[0].level, pulseAmplitude(16), 1e-3);
}

TEST_F(PatternPlayback, PreviewOfASampleSlotRestartsIt) {
    seq->SetChooserText("Sample20");
    seq->BitBtn11Click();
    fakeSlots.withoutSound = {4};
    seq->SetChooserText("Sample4");
    seq->BitBtn11Click();  // a slot without sound: nothing, and no message
    EXPECT_THAT(fakeSlots.restarted, ElementsAre(20));
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(PatternPlayback, StopSilencesSlotsOneToSixteenAndLetsTheRestRing) {
    // A long kick that is still sounding when Stop comes.
    auto& kick = seq->Kit.FindEntry("Kick      [ ]");
    kick.Wave = audio::testing::kitWave(std::vector<float>(8000, 0.25f), 1, kRate, 16);
    seq->DXWaveList1->Prepare();
    seq->SetChooserText("Kick      [ ]");
    seq->BitBtn11Click();
    audio::renderCapture(1000);
    seq->MainPlay = {"//", "60", "%%%"};
    seq->BitBtn3Click();
    seq->DXTimer1.SetEnabled(true);

    QTest::keyClick(seq->StringGrid1, Qt::Key_F8);

    std::vector<int> first16(16);
    for (int i = 0; i < 16; ++i)
        first16[i] = i + 1;
    EXPECT_EQ(fakeSlots.stopped, first16) << "fakeSlots 17 to 32 play on";
    const auto rest = audio::testing::channel(audio::renderCapture(8000), 0);
    EXPECT_EQ(audio::testing::lastSound(rest), 8000 - 1000 - 1) << "the kit voice plays on";
    EXPECT_EQ(seq->StopRequest, "Stop");
    EXPECT_TRUE(playButtonsEnabled());
    EXPECT_FALSE(seq->DXTimer1.Enabled());
    EXPECT_FALSE(seq->DXTimer2.Enabled());
    EXPECT_TRUE(seq->MainPlay.empty());
}

TEST_F(PatternPlayback, CellsNameSampleSlotsAndMissingSoundsAreSilent) {
    moveTempo(10);
    // Snare renamed away: its cell finds no entry.
    seq->Kit.SetEntryName(seq->Kit.FindEntry("Snare     [ ]"), "Gone");
    fakeSlots.withoutSound = {5};
    pattern(2, {{1, 1, "Sample3"},
                {2, 1, "Sample5"},
                {3, 1, "Snare     [0]"},
                {1, 2, "Sample3"},
                {2, 2, "Sample3"},  // restarted twice in one step: one sound, restarted
                {6, 2, "Tamb      [0]"}});
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    EXPECT_THAT(fakeSlots.restarted, ElementsAre(3, 3, 3));
    const auto onsets = renderOnsets();
    ASSERT_EQ(onsets.size(), 1u) << "only the tambourine of step 2 is a kit sound";
    EXPECT_NEAR(onsets[0].level, pulseAmplitude(16), 1e-3);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(PatternPlayback, WithoutTheImporterSlotCellsSoundNothing) {
    seq->Slots = nullptr;
    moveTempo(10);
    pattern(1, {{1, 1, "Sample3"}, {2, 1, "Kick      [0]"}});
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    EXPECT_EQ(renderOnsets().size(), 1u);
    seq->SetChooserText("Sample3");
    EXPECT_NO_THROW(seq->BitBtn11Click());
}

TEST_F(PatternPlayback, AnUndecodableCellIsReportedOncePerPlaybackAndSkipped) {
    moveTempo(10);
    pattern(2, {{1, 1, "Kick      [x]"}, {2, 1, "Tamb      [0]"}, {2, 2, "Tamb      [0]"}});
    seq->endless->setChecked(true);
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return stamps.size() >= 8; }));
    seq->BitBtn4Click();
    QCoreApplication::processEvents();
    EXPECT_THAT(dialogs.errors(), ElementsAre("'x' is not a valid integer value"));
    const auto onsets = renderOnsets();
    EXPECT_EQ(onsets.size(), stamps.size()) << "the other cells of its step still sound";

    // The next playback reports it again.
    seq->endless->setChecked(false);
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.errors().size(), 2u);
}

TEST_F(PatternPlayback, ATempoMoveDuringPlaybackChangesTheIntervalFromTheNextStep) {
    moveTempo(15);  // 30 ms
    std::vector<std::tuple<int, int, std::string>> cells;
    for (int step = 1; step <= 10; ++step)
        cells.emplace_back(1, step, "Kick      [0]");
    pattern(10, cells);
    seq->Global->setChecked(false);  // whatever Global says
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return stamps.size() >= 3; }));
    const std::size_t playedAtMove = stamps.size();
    moveTempo(25);  // 50 ms
    EXPECT_EQ(seq->Label6->text().toStdString(), "288");
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));

    const auto onsets = renderOnsets();
    ASSERT_EQ(onsets.size(), 10u);
    int reanchored = 0;
    for (std::size_t i = 1; i < onsets.size(); ++i) {
        // The step that was already due comes at the old interval and sets the new one.
        const int interval = i <= playedAtMove ? 30 : 50;
        if (stamps[i] - stamps[i - 1] > milliseconds(interval) + audio::tickSlack()) {
            ++reanchored;
            continue;
        }
        EXPECT_NEAR(onsets[i].frame - onsets[i - 1].frame, framesOf(interval), 1) << i;
    }
    EXPECT_LE(reanchored, 2);
    EXPECT_EQ(seq->StepInterval, 50);
}

TEST_F(PatternPlayback, NoStepsWhileTheProgramIsInactive) {
    moveTempo(5);  // 10 ms
    std::vector<std::tuple<int, int, std::string>> cells;
    for (int step = 1; step <= 16; ++step)
        cells.emplace_back(1, step, "Kick      [0]");
    pattern(16, cells);
    seq->BitBtn3Click();
    active = false;
    runFor(milliseconds(300));
    EXPECT_TRUE(stamps.empty());
    EXPECT_EQ(seq->PatternRow, 2);
    EXPECT_TRUE(renderOnsets(0).empty());

    active = true;
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }));
    EXPECT_EQ(renderOnsets().size(), 16u) << "playback carries on when the user comes back";
}

TEST_F(PatternPlayback, APatternLengthThatIsNoNumberStopsPlayPatternWithTheButtonsGreyed) {
    seq->Grid.setCell(2, 0, "abc");
    QTest::mouseClick(seq->BitBtn3, Qt::LeftButton);
    EXPECT_THAT(dialogs.errors(), ElementsAre("'abc' is not a valid integer value"));
    EXPECT_FALSE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->DXTimer2.Enabled());
    seq->BitBtn4Click();
    EXPECT_TRUE(playButtonsEnabled());
}

TEST_F(PatternPlayback, ALengthOfZeroEndsAfterOneStep) {
    moveTempo(5);
    pattern(0, {});
    seq->BitBtn3Click();
    ASSERT_TRUE(runUntil([&] { return playButtonsEnabled(); }, milliseconds(3000)));
    EXPECT_EQ(stamps.size(), 1u);
}

TEST_F(PatternPlayback, ClearListStopsTheSongAndLetsThePatternPlayOn) {
    seq->SongList->Add("A");
    seq->SongList->Add("B");
    seq->Edit3->setText("My song");
    seq->MainPlay = {"//", "60", "%%%"};
    pattern(16, {});
    seq->endless->setChecked(true);
    seq->BitBtn3Click();
    seq->DXTimer1.SetEnabled(true);

    QTest::mouseClick(seq->BitBtn10, Qt::LeftButton);

    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(seq->Edit3->text().toStdString(), "");
    EXPECT_TRUE(seq->MainPlay.empty());
    EXPECT_EQ(seq->StopRequest, "Stop");
    EXPECT_TRUE(playButtonsEnabled());
    EXPECT_FALSE(seq->DXTimer1.Enabled());
    EXPECT_TRUE(seq->DXTimer2.Enabled());
    EXPECT_TRUE(fakeSlots.stopped.empty()) << "no sample stream is stopped";
}

}  // namespace
}  // namespace valdorin
