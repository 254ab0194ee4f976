// The sample picker window, offscreen.

#include "kits/Sams.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "core/Sequencer.h"
#include "kits/Main.h"
#include "kits/SlotWindowsFixture.h"
#include "platform/Controls.h"

namespace valdorin {
namespace {

using testing::SlotWindowsFixture;

class Picker : public SlotWindowsFixture {};

TEST_F(Picker, StartsWithThirtyTwoButtonsInGroupsOfFourOnOlive) {
    EXPECT_EQ(picker->windowTitle().toStdString(), "Samples");
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->Label2->text().toStdString(), "Active Sample");
    EXPECT_EQ(picker->Label2->pos(), QPoint(4, 0));
    EXPECT_EQ(picker->Label1->text().toStdString(), "1");
    EXPECT_EQ(picker->Label1->pos(), QPoint(80, 0));
    EXPECT_EQ(picker->SamPannel->geometry(), QRect(0, 16, 105, 401));
    EXPECT_EQ(picker->SamPannel->widget()->palette().color(QPalette::Window), QColor(128, 128, 0));

    ASSERT_EQ(picker->Buttons.size(), 32u);
    ASSERT_EQ(picker->NumberLabels.size(), 32u);
    for (int s = 1; s <= 32; ++s) {
        const QPushButton* b = picker->Buttons[s - 1];
        const QLabel* n = picker->NumberLabels[s - 1];
        EXPECT_EQ(b->text().toStdString(), "Sample " + std::to_string(s));
        EXPECT_EQ(b->parentWidget(), picker->SamPannel->widget());
        EXPECT_EQ(b->x(), 24);
        EXPECT_EQ(b->width(), 60);
        EXPECT_EQ(n->text().toStdString(), std::to_string(s));
        EXPECT_EQ(n->x(), 4);
        EXPECT_EQ(n->y(), b->y());
        EXPECT_EQ(n->font().pointSize(), 12);
    }
    EXPECT_EQ(picker->Buttons[4]->y(), 106);
    EXPECT_EQ(picker->Buttons[31]->y(), 817);
    // The lower slots are reached by scrolling.
    EXPECT_GT(picker->SamPannel->widget()->height(), picker->SamPannel->viewport()->height());
}

TEST_F(Picker, ClickingSlotSevenChoosesItAndOpensTheImporterOnIt) {
    select(7);
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_EQ(seq->ChooserText(), "Sample7");
    EXPECT_EQ(caption(), "Sample 7 : Blank.wav");
    EXPECT_EQ(picker->Label1->text().toStdString(), "7");
    EXPECT_EQ(form->CurrentSlot, 7);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 44100);  // Blank.wav's own rate
    // Selecting leaves the controls as they were.
    EXPECT_FALSE(form->PlayButton->isEnabled());
}

TEST_F(Picker, SelectingShowsTheSlotsSettingsRoundedWithoutChangingThem) {
    const std::string file = sine("tone.wav", 22050);
    form->setFileName(12, file);
    form->setPan(12, 1250);                  // 12.5 dB: the half goes to even
    form->Bank.Stream(12).SetVolume(-2550);  // -25.5 dB
    form->setFrequency(12, 30000);
    select(12);
    EXPECT_EQ(form->PanTrackBar->Position(), 12);
    EXPECT_EQ(form->VolumeTrackBar->Position(), -26);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 30000);
    EXPECT_EQ(caption(), "Sample 12 : " + file);
    // Shown from the program, the bars ran no change handler.
    EXPECT_EQ(form->pan(12), 1250);
    EXPECT_EQ(form->volume(12), -2550);
    EXPECT_EQ(form->frequency(12), 30000);
}

TEST_F(Picker, ASettingBeyondABarShowsAtItsEnd) {
    form->setFileName(2, sine("tone.wav", 22050));
    form->setPan(2, -10000);
    form->setFrequency(2, 96000);
    select(2);
    EXPECT_EQ(form->PanTrackBar->Position(), -40);
    EXPECT_EQ(form->FrequencyTrackBar->Position(), 44100);
    EXPECT_EQ(form->pan(2), -10000);
}

TEST_F(Picker, ASlotWithoutSoundShowsTheBufferErrorInsteadOfItsSettings) {
    select(3);
    const std::string bad = (*dir / "samples" / "words.wav").string();
    dir->write("samples/words.wav", "not a sound");
    open(bad);
    ASSERT_EQ(dialogs.errors().size(), 1u);
    form->PanTrackBar->SetPosition(17);

    select(5);
    select(3);
    ASSERT_EQ(dialogs.errors().size(), 2u);
    EXPECT_EQ(dialogs.errors().back(), "IDirectSoundBuffer not made");
    // The steps before the settings were carried out.
    EXPECT_EQ(caption(), "Sample 3 : ");
    EXPECT_EQ(seq->ChooserText(), "Sample3");
    EXPECT_EQ(form->CurrentSlot, 3);
    EXPECT_EQ(form->PanTrackBar->Position(), 0);  // slot 5's, not changed for slot 3
}

TEST_F(Picker, FocusOnASlotButtonShowsItsNumber) {
    picker->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(picker));
    picker->Buttons[19]->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(picker->Label1->text().toStdString(), "20");
    EXPECT_EQ(form->CurrentSlot, 0);  // focus alone selects nothing
    QTest::keyClick(picker->Buttons[19], Qt::Key_Tab);
    EXPECT_EQ(picker->Label1->text().toStdString(), "21");
}

TEST_F(Picker, CaptionsFollowTheSlotOperation) {
    form->setPickerCaption(30, "Snare 2");
    EXPECT_EQ(picker->Buttons[29]->text().toStdString(), "Snare 2");
    form->setPickerCaption(30, "Caf\xE9");  // program text is Windows-1252
    EXPECT_EQ(picker->Buttons[29]->text(), QString::fromUtf8("Caf\xC3\xA9"));
}

}  // namespace
}  // namespace valdorin
