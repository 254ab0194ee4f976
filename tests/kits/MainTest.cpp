// The sample importer window, offscreen, on the offline capture output.

#include "kits/Main.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "core/Errors.h"
#include "core/Sequencer.h"
#include "core/Text.h"
#include "kits/Sams.h"
#include "kits/SlotRules.h"
#include "kits/SlotWindowsFixture.h"
#include "platform/Controls.h"

namespace valdorin {
namespace {

using testing::SlotWindowsFixture;
using namespace kits::testing;

std::string title() {
    return kits::applicationTitle(
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString());
}

class Importer : public SlotWindowsFixture {};

TEST_F(Importer, StartsHiddenWithItsControlsDisabledAndEverySlotOnBlankWav) {
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(caption(), "Sample1");
    EXPECT_EQ(form->centralWidget()->size(), QSize(245, 171));
    EXPECT_EQ(form->CurrentSlot, 0);
    EXPECT_EQ(seq->Slots, static_cast<kits::SampleSlots*>(form));
    EXPECT_EQ(seq->SlotWindows, static_cast<kits::SlotView*>(form));

    struct Bar {
        platform::TTrackBar* bar;
        int min, max, position;
        QRect place;
    };
    for (const Bar& b : {Bar{form->FrequencyTrackBar, 4410, 44100, 4410, {8, 24, 193, 33}},
                         Bar{form->VolumeTrackBar, -40, 0, 0, {8, 64, 193, 33}},
                         Bar{form->PanTrackBar, -40, 40, 0, {8, 104, 193, 33}}}) {
        EXPECT_EQ(b.bar->minimum(), b.min);
        EXPECT_EQ(b.bar->maximum(), b.max);
        EXPECT_EQ(b.bar->Position(), b.position);
        EXPECT_EQ(b.bar->geometry(), b.place);
        EXPECT_FALSE(b.bar->isEnabled());
    }
    EXPECT_EQ(form->FrequencyTrackBar->pageStep(), 1100);
    EXPECT_EQ(form->Label1->text().toStdString(), "Pitch by semitone");
    EXPECT_EQ(form->FrequencyLabel->text().toStdString(), "Pitch");
    EXPECT_EQ(form->VolumeLabel->text().toStdString(), "Volume");
    EXPECT_EQ(form->PanLabel->text().toStdString(), "Pan");
    EXPECT_EQ(form->PlayButton->text().toStdString(), "&Play");
    EXPECT_FALSE(form->PlayButton->isEnabled());
    EXPECT_EQ(form->Button1->text().toStdString(), "OK");
    EXPECT_TRUE(form->Button1->isEnabled());
    EXPECT_EQ(form->Timer->interval(), 100);
    EXPECT_FALSE(form->Timer->isActive());
    // The semitone pictures stand over their brighter twins.
    EXPECT_EQ(form->Image1->geometry(), QRect(96, 8, 13, 13));
    EXPECT_EQ(form->Image2->geometry(), QRect(116, 8, 17, 13));
    EXPECT_EQ(form->Image3->geometry(), form->Image1->geometry());
    EXPECT_EQ(form->Image4->geometry(), form->Image2->geometry());
    EXPECT_EQ(form->centralWidget()->childAt(100, 14), form->Image1);
    EXPECT_EQ(form->centralWidget()->childAt(124, 14), form->Image2);
    EXPECT_EQ(form->Image1->cursor().shape(), Qt::PointingHandCursor);

    EXPECT_EQ(form->OpenDialog.filter, "Wave (*.wav)|*.wav|All files (*.*)|*.*");
    EXPECT_EQ(form->OpenDialog.defaultExt, "wav");
    EXPECT_TRUE(form->OpenDialog.mustExist);

    for (int s = 1; s <= 32; ++s) {
        EXPECT_EQ(form->fileName(s), "Blank.wav") << s;
        EXPECT_EQ(form->frequency(s), 44100) << s;
    }
    EXPECT_TRUE(form->DXSound.GlobalFocus());
    EXPECT_EQ(form->DXSound.PrimaryFormat(), audio::WaveFormat::pcm(44100, 2, 16));
}

TEST_F(Importer, MenuHasFileAndOptionWithGlobalFocusTicked) {
    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text().toStdString(), "&File");
    EXPECT_EQ(menus[1]->text().toStdString(), "&Option");
    std::vector<std::string> file;
    for (QAction* a : menus[0]->menu()->actions())
        file.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(file, (std::vector<std::string>{"&Open", "&Close", "-", "E&xit"}));
    ASSERT_EQ(menus[1]->menu()->actions().size(), 1);
    EXPECT_EQ(menus[1]->menu()->actions()[0], form->GlobalFocusItem);
    EXPECT_EQ(form->GlobalFocusItem->text().toStdString(), "&GlobalFocus");
    EXPECT_TRUE(form->GlobalFocusItem->isChecked());
}

TEST_F(Importer, OpenPutsTheFileIntoTheSlotAtItsOwnRateCentredAndAtFullLevel) {
    const std::string file = sine("LongSampleName.wav", 22050);
    select(3);
    form->setPan(3, 1500);
    form->Bank.Stream(3).SetVolume(-1200);
    form->PanTrackBar->SetPosition(15);
    form->VolumeTrackBar->SetPosition(-12);

    open(file);
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "open");
    EXPECT_EQ(dialogs.shown[0].request.filter, TMainForm::kOpenFilter);
    EXPECT_EQ(picker->Buttons[2]->text().toStdString(), "LongSamp");
    EXPECT_EQ(caption(), title() + " - LongSampleName.wav");
    EXPECT_EQ(form->fileName(3), file);
    EXPECT_EQ(form->frequency(3), 22050);
    EXPECT_EQ(form->pan(3), 0);
    EXPECT_EQ(form->volume(3), 0);
    EXPECT_EQ(form->PanTrackBar->Position(), 0);
    EXPECT_EQ(form->VolumeTrackBar->Position(), 0);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 22050);
    EXPECT_EQ(form->Bank.BasePitch(3), 22050);
    for (QWidget* w : std::initializer_list<QWidget*>{
             form->PlayButton, form->PanTrackBar, form->VolumeTrackBar, form->FrequencyTrackBar})
        EXPECT_TRUE(w->isEnabled());
    // The working copy of the opened file.
    EXPECT_EQ(dir->read("temp/Sample1.wav"), fileBytes(file));
    // The other slots are untouched.
    EXPECT_EQ(form->fileName(2), "Blank.wav");
    EXPECT_EQ(picker->Buttons[1]->text().toStdString(), "Sample 2");
}

TEST_F(Importer, CancelledOpenChangesNothing) {
    select(4);
    form->enableImporterControls();
    form->FileOpen->trigger();  // no file scripted: the dialog is cancelled
    EXPECT_EQ(form->fileName(4), "Blank.wav");
    EXPECT_TRUE(form->PlayButton->isEnabled());
    EXPECT_EQ(caption(), "Sample 4 : Blank.wav");
}

class FailedOpen : public SlotWindowsFixture, public ::testing::WithParamInterface<DamagedWav> {};

TEST_P(FailedOpen, LeavesTheSlotWithoutSoundTheControlsDisabledAndShowsTheError) {
    const std::string good = sine("good.wav", 22050);
    select(6);
    open(good);
    form->PlayButtonClick();
    ASSERT_TRUE(form->Timer->isActive());

    const std::string bad = (*dir / "samples" / "Damaged Sample.wav").string();
    writeBytes(bad, GetParam().bytes(fileBytes(good)));
    open(bad);
    ASSERT_EQ(dialogs.errors().size(), 1u);
    EXPECT_FALSE(dialogs.errors()[0].empty());
    EXPECT_EQ(form->fileName(6), "");
    EXPECT_FALSE(form->Bank.HasSound(6));
    for (QWidget* w : std::initializer_list<QWidget*>{
             form->PlayButton, form->PanTrackBar, form->VolumeTrackBar, form->FrequencyTrackBar})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_FALSE(form->Timer->isActive());
    // The button keeps its new caption.
    EXPECT_EQ(picker->Buttons[5]->text().toStdString(), "Damaged ");
    try {
        form->restart(6);
        ADD_FAILURE() << "restart of a slot without sound";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "WaveStream not set");
    }
    // A later file brings the slot back.
    open(good);
    EXPECT_EQ(form->fileName(6), good);
    EXPECT_TRUE(form->PlayButton->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Files, FailedOpen, ::testing::ValuesIn(damagedWavs()), damagedWavName);

TEST_F(Importer, BarsMovedByTheUserSetPanVolumeAndPitch) {
    select(8);
    open(sine("tone.wav", 22050));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(form->PanTrackBar, Qt::Key_Right);
    EXPECT_EQ(form->PanTrackBar->Position(), 20);
    EXPECT_EQ(form->pan(8), 2000);
    QTest::keyClick(form->VolumeTrackBar, Qt::Key_Home);
    EXPECT_EQ(form->VolumeTrackBar->Position(), -40);
    EXPECT_EQ(form->volume(8), -4000);
    QTest::keyClick(form->FrequencyTrackBar, Qt::Key_PageUp);
    EXPECT_EQ(form->frequency(8), 22050 + 1100);
    // The bar moves the frequency, not the base pitch the semitone steps count from.
    EXPECT_EQ(form->Bank.BasePitch(8), 22050);
    form->FrequencyTrackBar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(form->frequency(8), 4410);
    // Set from the program, a bar changes nothing.
    form->setPitchBar(30000);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 30000);
    EXPECT_EQ(form->frequency(8), 4410);
}

TEST_F(Importer, SemitoneStepsFollowTheBasePitchAndTheWholeOffset) {
    select(1);
    open(sine("up.wav", 22050));
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->frequency(1), 23361);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 23361);
    EXPECT_TRUE(form->Bank.Stream(1).Playing());  // the preview
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->frequency(1), 24750);
    EXPECT_TRUE(form->Image2->isVisible());

    // Another file keeps the offset: one more step counts all three.
    open(sine("low.wav", 11025));
    EXPECT_EQ(form->frequency(1), 11025);
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->frequency(1), 13111);

    select(2);
    open(sine("down.wav", 44100));
    QTest::mouseClick(form->Image1, Qt::LeftButton);
    EXPECT_EQ(form->frequency(2), 41625);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 41625);
    EXPECT_TRUE(form->Image1->isVisible());
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
}

TEST_F(Importer, SemitoneStepsOnAnEmptySlotDoNothing) {
    select(9);
    form->setBasePitch(9, 22050);
    form->enableImporterControls();
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    QTest::mouseClick(form->Image1, Qt::LeftButton);
    QTest::mouseClick(form->Image1, Qt::LeftButton);
    EXPECT_EQ(form->frequency(9), 44100);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 44100);
    EXPECT_EQ(form->Bank.SemitoneOffset(9), 0);
    EXPECT_FALSE(form->Bank.Stream(9).Playing());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(Importer, ASemitoneStepOnASlotWithoutSoundShowsTheErrorAndThePictureAgain) {
    select(10);
    dir->write("samples/bad.wav", "");
    open((*dir / "samples" / "bad.wav").string());
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors().size(), 2u);
    EXPECT_EQ(dialogs.errors()[1], "WaveStream not set");
    EXPECT_TRUE(form->Image2->isVisible());
}

TEST_F(Importer, PlayStartsThePreviewAndTheTimerStopsItselfWhenItEnds) {
    select(2);
    open(sine("short.wav", 44100, 0.2));
    QTest::mouseClick(form->PlayButton, Qt::LeftButton);
    EXPECT_TRUE(form->Bank.Stream(2).Playing());
    EXPECT_TRUE(form->Timer->isActive());
    // Still playing: a tick does nothing.
    QTest::qWait(250);
    EXPECT_TRUE(form->Timer->isActive());

    audio::renderCapture(kOutputRate / 2);  // past the end of the sound
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Timer->isActive(); }, 2000));
    EXPECT_FALSE(form->Bank.Stream(2).Playing());
    EXPECT_TRUE(form->PlayButton->isEnabled());
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
}

TEST_F(Importer, OkStopsTheSlotAndHidesExitHidesCloseDisables) {
    select(5);
    open(sine("tone.wav", 22050, 1.0));
    form->PlayButtonClick();
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_FALSE(form->Bank.Stream(5).Playing());
    EXPECT_FALSE(form->isVisible());

    select(5);
    EXPECT_TRUE(form->isVisible());
    form->FileEnd->trigger();
    EXPECT_FALSE(form->isVisible());

    select(5);
    form->PlayButtonClick();
    form->FileClose->trigger();
    EXPECT_FALSE(form->PlayButton->isEnabled());
    EXPECT_FALSE(form->PanTrackBar->isEnabled());
    EXPECT_FALSE(form->Timer->isActive());
    EXPECT_TRUE(form->Bank.Stream(5).Playing());  // Close keeps the file and its sound
    EXPECT_NE(form->fileName(5), "");
}

TEST_F(Importer, GlobalFocusTogglesTheDevicesOption) {
    select(1);
    form->GlobalFocusItem->trigger();
    EXPECT_FALSE(form->GlobalFocusItem->isChecked());
    EXPECT_FALSE(form->DXSound.GlobalFocus());
    form->GlobalFocusItem->trigger();
    EXPECT_TRUE(form->GlobalFocusItem->isChecked());
    EXPECT_TRUE(form->DXSound.GlobalFocus());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(Importer, SlotOperationsOfTheInterface) {
    kits::SampleSlots& ops = *seq->Slots;
    const std::string file = sine("kick.wav", 11025);
    ops.setFileName(20, file);
    ops.setFrequency(20, 15000);
    ops.setPan(20, -700);
    ops.setBasePitch(20, 15000);
    EXPECT_EQ(ops.fileName(20), file);
    EXPECT_EQ(ops.frequency(20), 15000);
    EXPECT_EQ(ops.pan(20), -700);
    EXPECT_EQ(ops.volume(20), 0);
    ops.restart(20);
    EXPECT_TRUE(form->Bank.Stream(20).Playing());
    ops.stop(20);
    EXPECT_FALSE(form->Bank.Stream(20).Playing());
    kits::SlotView& view = *seq->SlotWindows;
    view.setPickerCaption(20, "kick");
    EXPECT_EQ(picker->Buttons[19]->text().toStdString(), "kick");
    view.enableImporterControls();
    EXPECT_TRUE(form->FrequencyTrackBar->isEnabled());
    view.setPitchBar(15000);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 15000);

    EXPECT_THROW(ops.setFileName(21, (*dir / "missing.wav").string()), Error);
    EXPECT_EQ(ops.fileName(21), "");
    EXPECT_THROW(ops.fileName(33), Error);
}

class ImporterWithoutBlank : public SlotWindowsFixture {
    void prepare(testing::ProgramDir& d) override {
        SlotWindowsFixture::prepare(d);
        std::filesystem::remove(d / "Blank.wav");
    }
};

TEST_F(ImporterWithoutBlank, ReportsOneErrorAndKeepsTheSlotsEmpty) {
    // The main window's start-up may report its own trouble; the importer adds one.
    ASSERT_FALSE(dialogs.errors().empty());
    EXPECT_NE(dialogs.errors().back().find("Blank.wav"), std::string::npos);
    EXPECT_EQ(form->fileName(1), "Blank.wav");
    EXPECT_FALSE(form->Bank.HasSound(1));
    select(1);
    EXPECT_EQ(dialogs.errors().back(), "IDirectSoundBuffer not made");
}

}  // namespace
}  // namespace valdorin
