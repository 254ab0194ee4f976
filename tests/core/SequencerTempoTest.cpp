// The main window's tempo bar and BPM display, the time signature chooser with Update Time, and
// the loop count, driven through their controls offscreen.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gmock/gmock.h>

#include "core/Sequencer.h"
#include "core/Tempo.h"
#include "platform/Controls.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using ::testing::ElementsAre;

class Tempo : public testing::WindowsFixture {
  protected:
    std::string bpm() const { return seq->Label6->text().toStdString(); }
};

TEST_F(Tempo, AUserMoveOfTheBarSetsIntervalDisplayAndSavedGlobalTempo) {
    struct Row {
        int position;
        int intervalMs;
        const char* bpm;
    };
    const Row rows[] = {{1, 2, "7200"},   {30, 60, "240"}, {48, 96, "150"},  {60, 120, "120"},
                        {64, 128, "112"}, {90, 180, "80"}, {120, 240, "60"}, {140, 280, "51"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.position);
        seq->Delay->setValue(r.position == 60 ? 61 : 60);  // so that every row is a change
        seq->Delay->setValue(r.position);
        EXPECT_EQ(seq->StepInterval, r.intervalMs);
        EXPECT_EQ(seq->Tempo, r.position);
        EXPECT_EQ(bpm(), r.bpm);
        EXPECT_EQ(seq->SavedGlobalTempo, r.position);
    }
}

TEST_F(Tempo, TheKeyboardMovesTheBarLikeTheMouse) {
    seq->Delay->setFocus();
    QTest::keyClick(seq->Delay, Qt::Key_Down);  // the lowest value is at the top
    EXPECT_EQ(seq->Delay->Position(), 61);
    EXPECT_EQ(seq->SavedGlobalTempo, 61);
    EXPECT_EQ(bpm(), "118");
}

TEST_F(Tempo, SettingTheBarFromTheProgramRunsNoTempoChange) {
    seq->Delay->SetPosition(90);
    EXPECT_EQ(bpm(), "120");
    EXPECT_EQ(seq->StepInterval, 120);
    EXPECT_EQ(seq->SavedGlobalTempo, 60);
    seq->Delay->SetPosition(500);
    EXPECT_EQ(seq->Delay->Position(), 140) << "the nearest end of the range";
    seq->TempoRefresh();
    EXPECT_EQ(bpm(), "51");
    EXPECT_EQ(seq->SavedGlobalTempo, 60) << "only the user's moves are saved";
}

TEST_F(Tempo, WithGlobalCheckedAMoveSetsTheSongTimerAtOnce) {
    const int before = seq->DXTimer1.Interval();
    seq->Delay->setValue(30);
    EXPECT_EQ(seq->DXTimer1.Interval(), before) << "Global unchecked: the song keeps its tempo";
    seq->Global->setChecked(true);
    seq->Delay->setValue(48);
    EXPECT_EQ(seq->DXTimer1.Interval(), 96);
}

class TimeSignature : public testing::WindowsFixture {
  protected:
    std::string length() const { return seq->Edit4->text().toStdString(); }
    std::string beat() const { return seq->Edit5->text().toStdString(); }
    std::string chooser() const { return platform::programText(seq->TimeBar->currentText()); }
    void choose(const std::string& entry) {
        seq->TimeBar->setCurrentIndex(seq->TimeBar->findText(platform::qtText(entry)));
    }
};

TEST_F(TimeSignature, TheChooserHoldsTheTwentyFourEntriesAndStartsEmpty) {
    EXPECT_EQ(chooser(), "");
    EXPECT_EQ(length(), "");
    EXPECT_EQ(beat(), "");
    ASSERT_EQ(seq->TimeBar->count(), 24);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(platform::programText(seq->TimeBar->itemText(i)), timeSignatures()[i]);
    EXPECT_EQ(platform::programText(seq->TimeBar->itemText(7)), "4  | 2 ") << "blank kept";
}

TEST_F(TimeSignature, PickingAnEntryFillsTheLengthAndBeatBoxes) {
    struct Row {
        const char* entry;
        const char* length;
        const char* beat;
    };
    const Row rows[] = {{"16 | 4", "16", "4"}, {"16 | 16", "16", "16"}, {"8  | 2", "8", "2"},
                        {"4  | 2 ", "4", "2"}, {"64 | 32", "64", "32"}, {"12 | 3 ", "12", "3"},
                        {"3  | 3 ", "3", "3"}, {"7  | 7", "7", "7"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.entry);
        choose(r.entry);
        EXPECT_EQ(length(), r.length);
        EXPECT_EQ(beat(), r.beat);
    }
    EXPECT_EQ(seq->Grid.rowCount(), 18) << "the grid waits for Update Time";
}

TEST_F(TimeSignature, ATypedTextGetsWhatThePositionsGive) {
    seq->TimeBar->lineEdit()->setFocus();
    QTest::keyClicks(seq->TimeBar->lineEdit(), "12|4");
    EXPECT_EQ(chooser(), "12|4");
    EXPECT_EQ(length(), "12");
    EXPECT_EQ(beat(), "");
    // The beat box is empty: Update Time only clears the three texts.
    QTest::mouseClick(seq->BitBtn13, Qt::LeftButton);
    EXPECT_EQ(chooser(), "");
    EXPECT_EQ(length(), "");
    EXPECT_EQ(beat(), "");
    EXPECT_EQ(seq->Grid.rowCount(), 18);
    EXPECT_EQ(seq->Grid.cell(2, 0), "16");
}

TEST_F(TimeSignature, AnEmptiedChooserLeavesTheBoxes) {
    choose("24 | 8 ");
    seq->TimeBar->setEditText("");
    EXPECT_EQ(length(), "24");
    EXPECT_EQ(beat(), "8");
}

TEST_F(TimeSignature, UpdateTimeRightAfterStartUpLeavesTheGridAndClearsTheTexts) {
    seq->Grid.setCell(1, 2, "Kick      [ ]");
    seq->UpdateTime1->trigger();
    EXPECT_TRUE(dialogs.errors().empty());
    EXPECT_EQ(seq->Grid.rowCount(), 18);
    EXPECT_EQ(seq->Grid.cell(2, 0), "16");
    EXPECT_EQ(seq->Grid.cell(4, 0), "4");
    EXPECT_EQ(seq->Grid.cell(0, 17), "16:3");
    EXPECT_EQ(seq->Grid.cell(1, 2), "Kick      [ ]");
    EXPECT_EQ(chooser(), "");
    EXPECT_EQ(length(), "");
}

TEST_F(TimeSignature, TwelveByThreeGivesFourteenRowsAndALabelInTheHiddenRow) {
    choose("12 | 3 ");
    QTest::mouseClick(seq->BitBtn13, Qt::LeftButton);
    const GridTable& g = seq->Grid;
    EXPECT_EQ(g.rowCount(), 14);
    EXPECT_EQ(g.cell(2, 0), "12");
    EXPECT_EQ(g.cell(4, 0), "3");
    EXPECT_EQ(g.cell(1, 0), "Length:");
    EXPECT_EQ(g.cell(3, 0), "Time:");
    std::vector<std::string> labels;
    for (int row = 2; row <= 14; ++row)
        labels.push_back(g.cell(0, row));
    EXPECT_THAT(labels, ElementsAre("1:0*", "2:1", "3:2", "4:0*", "5:1", "6:2", "7:0*", "8:1",
                                    "9:2", "10:0*", "11:1", "12:2", "13:0*"));
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(g.cell(c, 1), "Channel:" + std::to_string(c));
    EXPECT_EQ(chooser(), "12 | 3 ") << "the chooser keeps its choice";
}

TEST_F(TimeSignature, ShorteningHidesCellsAndLengtheningShowsThemAgain) {
    choose("64 | 32");
    seq->BitBtn13Click();
    seq->Grid.setCell(3, 40, "Snare     [2]");  // step 39
    choose("16 | 4");
    seq->BitBtn13Click();
    EXPECT_EQ(seq->Grid.rowCount(), 18);
    choose("64 | 16");
    seq->BitBtn13Click();
    EXPECT_EQ(seq->Grid.rowCount(), 66);
    EXPECT_EQ(seq->Grid.cell(3, 40), "Snare     [2]");
}

TEST_F(TimeSignature, ANumberThatIsNoWholeNumberStopsUpdateTime) {
    struct Row {
        const char* typed;
        const char* message;
        const char* lengthCell;
        const char* beatCell;
    };
    const Row rows[] = {
        {"x  | 4", "'x' is not a valid integer value", "x", "8"},  // beat cell not reached
        {"16 | y", "'y' is not a valid integer value", "16", "y"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        dialogs.shown.clear();
        seq->Grid.setCell(2, 0, "16");
        seq->Grid.setCell(4, 0, "8");
        seq->TimeBar->setEditText(r.typed);
        QTest::mouseClick(seq->BitBtn13, Qt::LeftButton);
        EXPECT_THAT(dialogs.errors(), ElementsAre(r.message));
        EXPECT_EQ(seq->Grid.cell(2, 0), r.lengthCell);
        EXPECT_EQ(seq->Grid.cell(4, 0), r.beatCell);
        EXPECT_EQ(seq->Grid.rowCount(), 18);
        EXPECT_EQ(seq->Grid.cell(0, 17), "16:3");
    }
}

class LoopCount : public testing::WindowsFixture {
  protected:
    void type(const char* text) {
        seq->Loop->setFocus();
        seq->Loop->selectAll();
        QTest::keyClicks(seq->Loop, text);
    }
};

TEST_F(LoopCount, NeverStaysBelowOne) {
    struct Row {
        const char* typed;
        int value;
    };
    const Row rows[] = {{"0", 1}, {"25", 25}, {"-3", 1}, {"7", 7}, {"100000", 100000}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        type(r.typed);
        EXPECT_EQ(seq->Loop->value(), r.value);
        EXPECT_EQ(seq->Loop->text().toStdString(), std::to_string(r.value));
    }
}

TEST_F(LoopCount, AnEmptiedBoxBecomesOneAtOnce) {
    type("25");
    seq->Loop->selectAll();
    QTest::keyClick(seq->Loop, Qt::Key_Backspace);
    EXPECT_EQ(seq->Loop->value(), 1);
    EXPECT_EQ(seq->Loop->text().toStdString(), "1");
}

TEST_F(LoopCount, ACommandSettingZeroGetsOne) {
    seq->Loop->setValue(0);
    EXPECT_EQ(seq->Loop->value(), 1);
    seq->Loop->setValue(12);
    EXPECT_EQ(seq->Loop->value(), 12);
}

}  // namespace
}  // namespace valdorin
