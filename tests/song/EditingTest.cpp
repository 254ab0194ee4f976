// The pattern editing commands, driven through real mouse and key events on the offscreen grid.
// Sounds go to the offline capture output: a command that previews an instrument renders the
// same samples as one PlayEntry of it, and one that plays nothing renders silence.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

#include "core/InstrumentList.h"
#include "core/StringGrid.h"
#include "platform/Controls.h"
#include "support/AudioCapture.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using testing::WindowsFixture;

constexpr int kRate = 48000;
constexpr int kFrames = 4800;  // 100 ms: the default kit's sounds are loud at once

const std::string kKick = instrumentEntry(1);
const std::string kSnare = instrumentEntry(3);
const std::string kTamb = instrumentEntry(16);

std::string withDigit(std::string text, char digit) {
    text[kVolumeDigitIndex] = digit;
    return text;
}

bool silent(const std::vector<float>& samples) {
    for (float x : samples)
        if (x != 0.0f)
            return false;
    return true;
}

class Editing : public WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        audio::installCaptureOutput(kRate);
        QApplication::setActiveWindow(seq);
        grid()->setFocus();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        audio::installDefaultOutput();
        WindowsFixture::TearDown();
    }

    TStringGrid* grid() { return seq->StringGrid1; }
    QPoint at(int col, int row) { return grid()->cellRect(col, row).center(); }
    void press(Qt::MouseButton button, int col, int row) {
        QTest::mousePress(grid()->viewport(), button, {}, at(col, row));
    }
    void release(Qt::MouseButton button, int col, int row) {
        QTest::mouseRelease(grid()->viewport(), button, {}, at(col, row));
    }
    void click(Qt::MouseButton button, int col, int row) {
        QTest::mouseClick(grid()->viewport(), button, {}, at(col, row));
    }
    // The events of a real double click: press, release, double click, release. (QTest's
    // mouseDClick on a widget sends the double-click event alone.)
    void doubleClick(int col, int row) {
        click(Qt::LeftButton, col, row);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at(col, row));
        release(Qt::LeftButton, col, row);
    }
    void type(char key) { QTest::keyClick(grid(), key); }
    void choose(const std::string& text) { seq->SetChooserText(text); }
    const std::string& cell(int col, int row) { return seq->Grid.cell(col, row); }
    QPoint current() { return {grid()->Col(), grid()->Row()}; }

    // What sounded from the start of the capture (or its last render) on.
    std::vector<float> heard() { return audio::renderCapture(kFrames); }
    // What one playback of the instrument renders, on a fresh capture output.
    std::vector<float> onePlayback(const std::string& instrument, int frames = kFrames) {
        audio::installCaptureOutput(kRate);
        seq->DXWaveList1->PlayEntry(seq->Kit.FindEntry(instrument));
        return audio::renderCapture(frames);
    }
};

// ---- Toggle instrument ----

TEST_F(Editing, WithAnEmptyChooserALeftClickLeavesAnEmptyCellAndEmptiesAFilledOne) {
    choose("");
    click(Qt::LeftButton, 2, 4);
    EXPECT_EQ(cell(2, 4), "");
    seq->Grid.setCell(3, 5, kKick);
    click(Qt::LeftButton, 3, 5);
    EXPECT_EQ(cell(3, 5), "");
    EXPECT_TRUE(silent(heard()));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Editing, AKitInstrumentFillsTheCellAndPlaysOnceThenASecondClickEmptiesItSilently) {
    choose(kSnare);
    click(Qt::LeftButton, 1, 3);
    EXPECT_EQ(cell(1, 3), kSnare);
    EXPECT_EQ(current(), QPoint(1, 3));
    std::vector<float> sounded = heard();

    click(Qt::LeftButton, 1, 3);
    EXPECT_EQ(cell(1, 3), "");
    const auto after = heard();  // the first snare rings on; nothing joins it
    sounded.insert(sounded.end(), after.begin(), after.end());

    const auto once = onePlayback(kSnare, 2 * kFrames);
    EXPECT_FALSE(silent(once));
    EXPECT_EQ(sounded, once);
}

TEST_F(Editing, ASampleSlotFillsTheCellAndPlaysNothing) {
    choose("Sample3");
    click(Qt::LeftButton, 4, 6);
    EXPECT_EQ(cell(4, 6), "Sample3");
    EXPECT_TRUE(silent(heard()));
}

TEST_F(Editing, ATextOutsideTheListOrWithADigitIsWrittenAndPlaysNothing) {
    for (const std::string text : {std::string("Bongo"), withDigit(kKick, '5')}) {
        choose(text);
        click(Qt::LeftButton, 5, 2);
        EXPECT_EQ(cell(5, 2), text);
        EXPECT_TRUE(silent(heard())) << text;
        seq->Grid.setCell(5, 2, "");
    }
}

TEST_F(Editing, AnExactMatchCountsTheVolumeDigitSoADigitCellIsResetFirst) {
    choose(kKick);
    seq->Grid.setCell(2, 2, withDigit(kKick, '5'));
    click(Qt::LeftButton, 2, 2);
    EXPECT_EQ(cell(2, 2), kKick);
    click(Qt::LeftButton, 2, 2);
    EXPECT_EQ(cell(2, 2), "");
}

TEST_F(Editing, MiddleClicksAndClicksOnHeadersToggleTheCurrentCellWhereverTheyAre) {
    choose(kKick);
    click(Qt::LeftButton, 2, 3);  // current cell (2,3), now holding the kick
    struct Place {
        Qt::MouseButton button;
        int col, row;
    } places[] = {
        {Qt::MiddleButton, 5, 8},  // a channel cell elsewhere
        {Qt::LeftButton, 0, 6},    // the label column
        {Qt::LeftButton, 3, 1},    // the channel header row
        {Qt::LeftButton, 4, 0},    // the top header row
    };
    bool filled = true;
    for (const Place& p : places) {
        click(p.button, p.col, p.row);
        filled = !filled;
        EXPECT_EQ(cell(2, 3), filled ? kKick : "") << p.col << "," << p.row;
        EXPECT_NE(cell(p.col, p.row), kKick);
        EXPECT_EQ(current(), QPoint(2, 3));
    }
}

TEST_F(Editing, ADoubleClickTogglesTwiceAndPlaysTheFillingToggleOnce) {
    choose(kSnare);
    doubleClick(3, 4);
    EXPECT_EQ(cell(3, 4), "");
    const auto sounded = heard();
    EXPECT_EQ(sounded, onePlayback(kSnare));

    seq->Grid.setCell(3, 4, kSnare);
    audio::installCaptureOutput(kRate);
    doubleClick(3, 4);
    EXPECT_EQ(cell(3, 4), kSnare);
    const auto again = heard();  // before the reference replaces the capture output
    EXPECT_EQ(again, onePlayback(kSnare));
}

TEST_F(Editing, AKitWithoutTheChosenInstrumentReportsItAfterFillingTheCell) {
    seq->Kit.SetEntryName(seq->Kit.FindEntry(kSnare), "Other");
    choose(kSnare);
    dialogs.shown.clear();
    click(Qt::LeftButton, 1, 2);
    EXPECT_EQ(cell(1, 2), kSnare);
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Wave 'Snare     [ ]' not found"});
}

// ---- Step volume digit ----

TEST_F(Editing, RightClicksStepTheDigitTwoToNineThenOne) {
    choose(kKick);
    click(Qt::LeftButton, 2, 5);
    ASSERT_EQ(cell(2, 5), kKick);
    std::string digits;
    for (int i = 0; i < 10; ++i) {
        click(Qt::RightButton, 2, 5);
        digits += cell(2, 5)[kVolumeDigitIndex];
    }
    EXPECT_EQ(digits, "2345678912");
    EXPECT_EQ(cell(2, 5), withDigit(kKick, '2'));
    const auto sounded = heard();
    EXPECT_EQ(sounded, onePlayback(kKick)) << "only the left click sounded";
}

TEST_F(Editing, ARightClickOnASampleSlotChangesNothingAndSaysNothing) {
    choose("Sample3");
    click(Qt::LeftButton, 4, 4);
    ASSERT_EQ(cell(4, 4), "Sample3");
    click(Qt::RightButton, 4, 4);
    EXPECT_EQ(cell(4, 4), "Sample3");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Editing, ARightClickActsOnTheLastLeftClickedCellNotTheOneUnderThePointer) {
    choose(kKick);
    click(Qt::LeftButton, 1, 2);  // fills (1,2), current cell
    seq->Grid.setCell(6, 9, kKick);
    click(Qt::RightButton, 6, 9);
    EXPECT_EQ(cell(1, 2), withDigit(kKick, '2'));
    EXPECT_EQ(cell(6, 9), kKick);
    EXPECT_EQ(current(), QPoint(1, 2));
}

TEST_F(Editing, ARightClickOnAnUndecodableDigitReportsItAndKeepsTheText) {
    const std::string bad = withDigit(kKick, 'x');
    seq->Grid.setCell(1, 2, bad);
    click(Qt::RightButton, 1, 2);
    EXPECT_EQ(cell(1, 2), bad);
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"'x' is not a valid integer value"});
}

// ---- Type volume digit ----

TEST_F(Editing, TypingSevenOnAnEmptyCellPutsTheSnareInWithThatDigitAndPlaysNothing) {
    choose(kSnare);
    grid()->SetCurrent(3, 6);
    type('7');
    EXPECT_EQ(cell(3, 6), withDigit(kSnare, '7'));
    EXPECT_TRUE(silent(heard()));
}

TEST_F(Editing, TypingOnASampleSlotKeepsNoDigitAndTheCursorStays) {
    seq->CellJump = 1;
    choose("Sample2");
    grid()->SetCurrent(3, 6);
    type('7');
    EXPECT_EQ(cell(3, 6), "Sample2");
    EXPECT_EQ(current(), QPoint(3, 6));
}

TEST_F(Editing, TypingOnAnOccupiedCellChangesOnlyItsDigit) {
    choose(kKick);
    seq->Grid.setCell(2, 2, kSnare);
    grid()->SetCurrent(2, 2);
    type('5');
    EXPECT_EQ(cell(2, 2), withDigit(kSnare, '5'));
}

TEST_F(Editing, TenAndElevenCharacterChooserTextsAreLeftAsTheyAreAndTheCursorStays) {
    seq->CellJump = 1;
    for (const std::string text : {"Short Kick", "Short Kick["}) {
        choose(text);
        grid()->SetCurrent(4, 5);
        seq->Grid.setCell(4, 5, "");
        type('3');
        EXPECT_EQ(cell(4, 5), text);
        EXPECT_EQ(current(), QPoint(4, 5)) << text;
    }
}

TEST_F(Editing, ACellJumpOfFourMovesFromRowThirteenToSeventeenAndNotPastTheLastRow) {
    ASSERT_EQ(seq->Grid.rowCount(), 18);
    seq->CellJump = 4;
    choose(kKick);
    struct Case {
        int from, to;
    } cases[] = {{13, 17}, {14, 14}, {17, 17}, {2, 6}};
    for (const Case& c : cases) {
        grid()->SetCurrent(5, c.from);
        type('4');
        EXPECT_EQ(cell(5, c.from), withDigit(kKick, '4')) << c.from;
        EXPECT_EQ(current(), QPoint(5, c.to)) << c.from;
    }
}

TEST_F(Editing, ZeroAndOtherKeysAreIgnoredAndNoTypingGoesIntoACell) {
    choose(kKick);
    seq->CellJump = 1;
    grid()->SetCurrent(2, 3);
    for (char key : {'0', 'a', ' ', '-'})
        type(key);
    EXPECT_EQ(cell(2, 3), "");
    seq->Grid.setCell(2, 3, withDigit(kKick, '6'));
    type('0');
    // A digit with Ctrl or Alt held is a command key, not a typed digit.
    QTest::keyClick(grid(), '5', Qt::ControlModifier);
    QTest::keyClick(grid(), '5', Qt::AltModifier);
    EXPECT_EQ(cell(2, 3), withDigit(kKick, '6'));
    EXPECT_EQ(current(), QPoint(2, 3));
    type('5');  // while the plain digit still acts
    EXPECT_EQ(cell(2, 3), withDigit(kKick, '5'));
}

TEST_F(Editing, DigitsWithACellJumpOfOneEnterAColumnDownToTheLastStep) {
    seq->CellJump = 1;
    choose(kTamb);
    grid()->SetCurrent(6, 14);
    for (char key : {'1', '2', '3', '4', '5'})
        type(key);
    EXPECT_EQ(cell(6, 14), withDigit(kTamb, '1'));
    EXPECT_EQ(cell(6, 16), withDigit(kTamb, '3'));
    EXPECT_EQ(cell(6, 17), withDigit(kTamb, '5'));  // the cursor stayed on the last step
    EXPECT_EQ(current(), QPoint(6, 17));
}

// ---- Clear selection ----

class ClearSelection : public Editing, public ::testing::WithParamInterface<bool> {};

TEST_P(ClearSelection, DeleteOnAThreeByFourSelectionEmptiesThoseTwelveCellsOnly) {
    for (int r = 2; r < 18; ++r)
        for (int c = 1; c <= 6; ++c)
            seq->Grid.setCell(c, r, "Sample1");
    if (GetParam()) {  // a drag from (2,3) to (4,6)
        press(Qt::LeftButton, 2, 3);
        QTest::mouseMove(grid()->viewport(), at(3, 5));
        QTest::mouseMove(grid()->viewport(), at(4, 6));
        release(Qt::LeftButton, 4, 6);  // the release toggles (4,6): an empty chooser empties it
    } else {                            // Shift and the arrows from (2,3)
        grid()->SetCurrent(2, 3);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(grid(), Qt::Key_Right, Qt::ShiftModifier);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(grid(), Qt::Key_Down, Qt::ShiftModifier);
    }
    const TStringGrid::Rect sel = grid()->Selection();
    EXPECT_EQ(sel.left, 2);
    EXPECT_EQ(sel.top, 3);
    EXPECT_EQ(sel.right, 4);
    EXPECT_EQ(sel.bottom, 6);
    QTest::keyClick(grid(), Qt::Key_Delete);
    int emptied = 0;
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c <= 6; ++c) {
            const bool inside = c >= 2 && c <= 4 && r >= 3 && r <= 6;
            if (inside)
                EXPECT_EQ(cell(c, r), "") << c << "," << r;
            if (!inside && c >= 1 && r >= 2 && r < 18)
                EXPECT_EQ(cell(c, r), "Sample1") << c << "," << r;
            emptied += inside;
        }
    EXPECT_EQ(emptied, 12);
    EXPECT_EQ(cell(0, 4), "3:2");
}

INSTANTIATE_TEST_SUITE_P(ByDragAndByShiftArrows, ClearSelection, ::testing::Bool());

TEST_F(Editing, DeleteWithoutASelectionEmptiesTheCurrentCellAndArrowsStillMove) {
    seq->Grid.setCell(3, 3, kKick);
    seq->Grid.setCell(3, 4, kKick);
    grid()->SetCurrent(3, 3);
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_EQ(cell(3, 3), "");
    EXPECT_EQ(cell(3, 4), kKick);
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(current(), QPoint(3, 4));
}

// ---- Insert instrument ----

TEST_F(Editing, EnterTogglesTheCurrentCellFromAnyControlAndFocusesTheGrid) {
    choose(kSnare);
    grid()->SetCurrent(2, 4);
    QWidget* places[] = {seq->Edit2, seq->ComboBox1->lineEdit(), seq->Edit3, seq->Loop, grid()};
    bool filled = false;
    for (QWidget* w : places) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        filled = !filled;
        EXPECT_EQ(cell(2, 4), filled ? kSnare : "") << w->metaObject()->className();
        EXPECT_TRUE(grid()->hasFocus()) << w->metaObject()->className();
        EXPECT_EQ(current(), QPoint(2, 4));
    }
    QTest::keyClick(seq->Edit2, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(cell(2, 4), "");
    EXPECT_TRUE(silent(heard()));
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Name");
    EXPECT_EQ(seq->ChooserText(), kSnare);
}

// ---- Clear Pattern, Rename pattern, Retitle song ----

TEST_F(Editing, ClearPatternEmptiesRowsTwoToSixtySixWhateverTheRowCount) {
    seq->Grid.setRowCount(66);  // a 64-step pattern
    for (int r = 2; r <= 67; ++r)
        for (int c = 1; c <= 6; ++c)
            seq->Grid.setCell(c, r, kKick);
    seq->Grid.setRowCount(10);  // then an 8-step one
    seq->Edit2->setText("Beat");
    seq->Loop->setValue(3);
    QTest::mouseClick(seq->BitBtn7, Qt::LeftButton);

    for (int r = 2; r <= 66; ++r)
        for (int c = 1; c <= 6; ++c)
            ASSERT_EQ(cell(c, r), "") << c << "," << r;
    EXPECT_EQ(cell(1, 67), kKick);  // beyond what any pattern uses
    EXPECT_EQ(cell(0, 0), "");
    EXPECT_EQ(seq->Edit2->text().toStdString(), "");
    EXPECT_EQ(seq->Loop->value(), 1);
    EXPECT_EQ(seq->Grid.rowCount(), 10);
    EXPECT_EQ(cell(0, 2), "1:0*");
    EXPECT_EQ(cell(2, 0), "16");
    EXPECT_EQ(cell(4, 0), "4");
    EXPECT_EQ(cell(1, 1), "Channel:1");

    // Growing the pattern again shows empty steps.
    seq->Grid.setRowCount(66);
    grid()->SetCurrent(1, 40);
    EXPECT_EQ(current(), QPoint(1, 40));
    EXPECT_EQ(cell(1, 40), "");
}

TEST_F(Editing, TheEditMenuEntryClearsThePatternToo) {
    seq->Grid.setCell(1, 2, kKick);
    seq->ClearPattern1->trigger();
    EXPECT_EQ(cell(1, 2), "");
}

TEST_F(Editing, ThePatternNameBoxWritesTheNameCellOnEveryChange) {
    EXPECT_EQ(cell(0, 0), "");  // "Name" was not copied at start-up
    seq->Edit2->selectAll();
    QTest::keyClicks(seq->Edit2, "Beat1");
    EXPECT_EQ(cell(0, 0), "Beat1");
    QTest::keyClick(seq->Edit2, Qt::Key_Backspace);
    EXPECT_EQ(cell(0, 0), "Beat");
    seq->Edit2->setText(QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(cell(0, 0), "Caf\xe9");  // program text is Windows-1252
}

TEST_F(Editing, TheSongTitleBuildsTheCaption) {
    QTest::keyClicks(seq->Edit3, "Groove");
    EXPECT_EQ(seq->windowTitle().toStdString(), "Valdorin Pro v4.0 - Groove");
    seq->Edit3->clear();
    EXPECT_EQ(seq->windowTitle().toStdString(), "Valdorin Pro v4.0 - ");
}

// ---- Show pan and Set pan ----

TEST_F(Editing, ChoosingAKitInstrumentShowsItsPanWithoutSettingAnyPan) {
    seq->Kit.FindEntry(kSnare).Pan = -300;
    seq->Kit.FindEntry(kTamb).Pan = 700;
    seq->Kit.FindEntry(kKick).Pan = 5000;  // beyond the bar
    struct Case {
        std::string chosen;
        int bar;
    } cases[] = {
        {kSnare, -300},   {"", -300},      // the empty entry leaves the bar alone
        {"Sample5", 700}, {"Bongo", 700},  // slots and unknown texts show the tamb
        {kKick, 2000},    {"snare     [ ]", -300},
    };
    for (const Case& c : cases) {
        choose(c.chosen);
        EXPECT_EQ(seq->Panning->Position(), c.bar) << c.chosen;
    }
    EXPECT_EQ(seq->Kit.FindEntry(kKick).Pan, 5000);
    EXPECT_EQ(seq->Kit.FindEntry(kSnare).Pan, -300);
    EXPECT_TRUE(dialogs.shown.empty());  // choosing "Sample5" shows no box
}

TEST_F(Editing, ChoosingAnInstrumentTheKitLacksReportsIt) {
    seq->Kit.SetEntryName(seq->Kit.FindEntry(kTamb), "Other");
    choose("Sample5");
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Wave 'Tamb      [ ]' not found"});
}

TEST_F(Editing, MovingTheBarSetsTheChosenKitInstrumentsPan) {
    choose(kSnare);
    seq->Panning->setFocus();
    QTest::keyClick(seq->Panning, Qt::Key_Right);
    QTest::keyClick(seq->Panning, Qt::Key_Right);
    EXPECT_EQ(seq->Kit.FindEntry(kSnare).Pan, 2);
    EXPECT_EQ(seq->Kit.FindEntry(kKick).Pan, 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Editing, MovingTheBarWithASampleSlotChosenShowsTheNoticeEachTimeAndSetsNoPan) {
    choose("Sample5");
    const int before = seq->Kit.FindEntry(kTamb).Pan;
    seq->Panning->setFocus();
    QTest::keyClick(seq->Panning, Qt::Key_Left);
    QTest::keyClick(seq->Panning, Qt::Key_Left);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.kind, "notice");
        EXPECT_EQ(shown.caption, "Sample Panning");
        EXPECT_EQ(shown.text,
                  "Use the sample importer (Edit/Sample#) to change your imported samples panning");
    }
    EXPECT_EQ(seq->Kit.FindEntry(kTamb).Pan, before);
}

TEST_F(Editing, MovingTheBarWithNothingOrAnUnknownTextChosenChangesNoPan) {
    for (const std::string text : {"", "Bongo"}) {
        choose(text);
        seq->Panning->setFocus();
        QTest::keyClick(seq->Panning, Qt::Key_Right);
    }
    for (int i = 1; i <= kKitInstruments; ++i)
        EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(i)).Pan, 0) << i;
    EXPECT_TRUE(dialogs.shown.empty());
}

// ---- The grid itself ----

TEST_F(Editing, OnlyALeftPressOnAChannelCellMovesTheCurrentCell) {
    grid()->SetCurrent(2, 3);
    for (auto button : {Qt::RightButton, Qt::MiddleButton}) {
        press(button, 5, 7);
        EXPECT_EQ(current(), QPoint(2, 3));
        release(button, 5, 7);
    }
    for (QPoint header : {QPoint(0, 7), QPoint(5, 0), QPoint(5, 1)}) {
        press(Qt::LeftButton, header.x(), header.y());
        EXPECT_EQ(current(), QPoint(2, 3));
        release(Qt::LeftButton, header.x(), header.y());
    }
    press(Qt::LeftButton, 5, 7);
    EXPECT_EQ(current(), QPoint(5, 7));
    release(Qt::LeftButton, 5, 7);
}

TEST_F(Editing, ThePlaceBelowTheLastRowIsNoCell) {
    seq->Grid.setRowCount(6);        // four steps: rows 2 to 5
    seq->Grid.setCell(1, 8, kKick);  // kept, but not shown
    grid()->SetCurrent(1, 2);
    const QPoint below = grid()->cellRect(1, 8).center();
    QTest::mousePress(grid()->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(current(), QPoint(1, 2));
    QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, below);
    QTest::keyClick(grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid(), Qt::Key_PageDown);
    EXPECT_EQ(current(), QPoint(1, 5));
    seq->Grid.setRowCount(10);
    grid()->SetCurrent(1, 8);
    EXPECT_EQ(current(), QPoint(1, 8));
    EXPECT_EQ(cell(1, 8), kKick);
}

}  // namespace
}  // namespace valdorin
