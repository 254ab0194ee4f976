// Undo and redo of the work in the main window, and the recovery copy, offscreen and driven
// through the controls and menu entries a user would use.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/StringGrid.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "playback/CaptureFixture.h"
#include "song/WorkHistory.h"
#include "support/EventLoop.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using song::WorkState;
using std::chrono::milliseconds;

const std::string kKick = instrumentEntry(1);
const std::string kSnare = instrumentEntry(3);

class History : public testing::WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        QApplication::setActiveWindow(seq);
        grid()->setFocus();
        QCoreApplication::processEvents();  // the start-up offer has run
    }

    TStringGrid* grid() { return seq->StringGrid1; }
    WorkHistory& history() { return *seq->History; }
    WorkState work() { return history().Capture(); }
    int steps() { return history().Stack().count(); }
    void undo() { seq->Undo1->trigger(); }
    void redo() { seq->Redo1->trigger(); }
    std::string undoText() { return platform::programText(seq->Undo1->text()); }

    void click(Qt::MouseButton button, int col, int row) {
        QTest::mouseClick(grid()->viewport(), button, {}, grid()->cellRect(col, row).center());
    }
    void choose(const std::string& text) { seq->SetChooserText(text); }
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    QLineEdit* loopBox() { return seq->Loop->findChild<QLineEdit*>(); }
    int indexOf(platform::TListBox* list, const std::string& name) {
        for (int i = 0; i < list->Count(); ++i)
            if (list->Item(i) == name)
                return i;
        return -1;
    }
    std::vector<std::string> playList() {
        std::vector<std::string> names;
        for (const auto& entry : work().playList)
            names.push_back(entry.name);
        return names;
    }
    // A 16-step pattern with a few cells, saved under a name (which also puts it on the list).
    void savePattern(const std::string& name) {
        typeInto(seq->Edit2, platform::qtText(name));
        seq->Grid.setCell(1, 2, kKick);
        QTest::mouseClick(seq->BitBtn6, Qt::LeftButton);
        ASSERT_TRUE(fs::fileExists(dir->path() / (name + ".pat")));
    }
};

// Every kind of change, in one session: each is one step named after its command, undo brings
// back the work exactly as it was before it, and redo the work as it was after it.
TEST_F(History, EachKindOfChangeIsOneStepThatUndoesAndRedoesExactly) {
    struct Case {
        const char* command;
        std::function<void()> act;
    };
    const std::vector<Case> cases = {
        {"Toggle Instrument",
         [&] {
             choose(kKick);
             click(Qt::LeftButton, 2, 4);
         }},
        {"Volume Step", [&] { click(Qt::RightButton, 5, 9); }},
        {"Volume Digit", [&] { QTest::keyClick(grid(), '7'); }},
        {"Insert Instrument",
         [&] {
             choose(kSnare);
             seq->Insertinstrument1->trigger();
         }},
        {"Delete",
         [&] {
             grid()->SetCurrent(2, 4);
             QTest::keyClick(grid(), Qt::Key_Down, Qt::ShiftModifier);
             QTest::keyClick(grid(), Qt::Key_Delete);
         }},
        {"Pattern Name", [&] { typeInto(seq->Edit2, "Groove"); }},
        {"Tempo",
         [&] {
             seq->Delay->setValue(90);
             seq->Delay->setValue(64);
         }},
        {"Loop Count", [&] { typeInto(loopBox(), "25"); }},
        {"Update Time",
         [&] {
             seq->TimeBar->setCurrentIndex(seq->TimeBar->findText("12 | 3 "));
             QTest::mouseClick(seq->BitBtn13, Qt::LeftButton);
         }},
        {"Save Pattern", [&] { QTest::mouseClick(seq->BitBtn6, Qt::LeftButton); }},
        {"Add to Play List",
         [&] {
             seq->MusicLib->SetItemIndex(indexOf(seq->MusicLib, "Groove"));
             QTest::mouseClick(seq->BitBtn1, Qt::LeftButton);
         }},
        {"Clear Pattern", [&] { seq->ClearPattern1->trigger(); }},
        {"Load Pattern",
         [&] {
             seq->SongList->SetItemIndex(0);
             seq->SongListMouseDown(Qt::RightButton);
         }},
        {"Remove from Play List",
         [&] {
             seq->SongList->SetItemIndex(1);
             QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);
         }},
        {"Song Title", [&] { typeInto(seq->Edit3, "Night"); }},
        {"Delete Pattern",
         [&] {
             dialogs.answers.push_back(true);
             seq->MusicLib->SetItemIndex(indexOf(seq->MusicLib, "Groove"));
             QTest::mouseClick(seq->LibBin, Qt::LeftButton);
         }},
        {"Clear List", [&] { seq->ClearList1->trigger(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const WorkState before = work();
        const int count = steps();
        c.act();
        const WorkState after = work();
        ASSERT_NE(after, before);
        EXPECT_EQ(steps(), count + 1);
        EXPECT_EQ(undoText(), std::string("Undo ") + c.command);
        undo();
        EXPECT_EQ(work(), before);
        EXPECT_EQ(platform::programText(seq->Redo1->text()), std::string("Redo ") + c.command);
        redo();
        EXPECT_EQ(work(), after);
    }
    EXPECT_TRUE(dialogs.errors().empty());
}

// The play list and song commands, and Play Song, whose compiling loads patterns into the grid.
TEST_F(History, SongCommandsAreOneStepEach) {
    savePattern("Chorus");
    savePattern("Verse");
    seq->SongList->Add("Verse");
    seq->SongList->SetChecked(2, true);
    choose(kSnare);
    click(Qt::LeftButton, 4, 8);  // the grid is no longer any saved pattern
    const std::string song = fs::textFromPath(dir->path() / "Night.sng");
    struct Case {
        const char* command;
        std::function<void()> act;
    };
    const std::vector<Case> cases = {
        {"Move Up",
         [&] {
             seq->SongList->SetItemIndex(1);
             QTest::mouseClick(seq->UpDown1Up, Qt::LeftButton);
         }},
        {"Move Down",
         [&] {
             seq->SongList->SetItemIndex(0);
             QTest::mouseClick(seq->UpDown1Down, Qt::LeftButton);
         }},
        {"Play Song",
         [&] {
             seq->SongList->SetItemIndex(0);
             QTest::mouseClick(seq->BitBtn12, Qt::LeftButton);
             seq->DXTimer1.SetEnabled(false);
         }},
        {"Delete Marked", [&] { QTest::mouseClick(seq->SongBin, Qt::LeftButton); }},
        {"Save Song",
         [&] {
             dialogs.files.push_back(song);
             QTest::mouseClick(seq->BitBtn9, Qt::LeftButton);
         }},
        {"New Song", [&] { seq->New_Song->trigger(); }},
        {"Open Song",
         [&] {
             dialogs.files.push_back(song);
             QTest::mouseClick(seq->BitBtn8, Qt::LeftButton);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const WorkState before = work();
        const int count = steps();
        c.act();
        const WorkState after = work();
        ASSERT_NE(after, before);
        EXPECT_EQ(steps(), count + 1);
        EXPECT_EQ(undoText(), std::string("Undo ") + c.command);
        undo();
        EXPECT_EQ(work(), before);
        redo();
        EXPECT_EQ(work(), after);
    }
    EXPECT_EQ(playList(), (std::vector<std::string>{"Chorus", "Verse"}));
    EXPECT_EQ(seq->windowTitle(), "Valdorin Pro v4.0 - Night");
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
}

TEST_F(History, ACommandThatChangesManyCellsIsOneStepAndComesBackWhole) {
    typeInto(seq->Edit2, "Busy");
    typeInto(loopBox(), "4");
    for (int row = 2; row <= 66; ++row)
        for (int col = 1; col <= 6; ++col)
            if ((row + col) % 3 == 0)
                seq->Grid.setCell(col, row, row % 2 ? kKick : kSnare);
    grid()->setFocus();
    QTest::keyClick(grid(), '5');  // a recorded command, so the cells are part of the history
    const WorkState full = work();
    const int count = steps();

    QTest::mouseClick(seq->BitBtn7, Qt::LeftButton);
    EXPECT_EQ(steps(), count + 1) << "the loop box and name box it sets are part of its step";
    EXPECT_EQ(seq->Grid.cell(1, 65), "");
    EXPECT_EQ(seq->Loop->value(), 1);
    undo();
    EXPECT_EQ(work(), full);
    EXPECT_EQ(seq->Grid.cell(1, 65), kKick) << "hidden rows come back too";
    EXPECT_EQ(seq->Edit2->text(), "Busy");
    EXPECT_EQ(seq->Grid.cell(0, 0), "Busy");
    EXPECT_EQ(seq->Loop->value(), 4);
}

TEST_F(History, TypingAndDraggingAreOneStepEachAndStartBeforeTheFirstChange) {
    const WorkState start = work();
    typeInto(seq->Edit2, "Beat1");
    for (int p = 61; p <= 80; ++p)
        seq->Delay->setValue(p);
    EXPECT_EQ(steps(), 2);
    undo();
    EXPECT_EQ(seq->Delay->Position(), 60);
    EXPECT_EQ(seq->Label6->text(), "120") << "the BPM display follows";
    EXPECT_EQ(seq->SavedGlobalTempo, 60);
    EXPECT_EQ(seq->StepInterval, 120);
    undo();
    EXPECT_EQ(work(), start);
    EXPECT_EQ(seq->Edit2->text(), "Name");
    EXPECT_FALSE(seq->Undo1->isEnabled());
}

TEST_F(History, ANewChangeClearsTheRedo) {
    choose(kKick);
    click(Qt::LeftButton, 1, 2);
    click(Qt::LeftButton, 1, 3);
    undo();
    EXPECT_TRUE(seq->Redo1->isEnabled());
    click(Qt::LeftButton, 1, 4);
    EXPECT_FALSE(seq->Redo1->isEnabled());
    EXPECT_EQ(platform::programText(seq->Redo1->text()), "Redo");
    redo();
    EXPECT_EQ(seq->Grid.cell(1, 3), "") << "the undone change stays undone";
    undo();
    undo();
    EXPECT_EQ(seq->Grid.cell(1, 2), "");
}

TEST_F(History, UndoAndRedoLeadTheEditMenuGreyedWhenThereIsNothingToDo) {
    QMenu* edit = seq->menuBar()->actions()[1]->menu();
    const QList<QAction*> entries = edit->actions();
    ASSERT_GE(entries.size(), 4);
    EXPECT_EQ(entries[0], seq->Undo1);
    EXPECT_EQ(entries[1], seq->Redo1);
    EXPECT_TRUE(entries[2]->isSeparator());
    EXPECT_EQ(entries[3], seq->ClearPattern1);
    EXPECT_EQ(seq->Undo1->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(seq->Redo1->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_FALSE(seq->Undo1->isEnabled());
    EXPECT_FALSE(seq->Redo1->isEnabled());
    EXPECT_EQ(undoText(), "Undo");
}

// A pattern cleared by mistake comes back with Ctrl+Z, whether the grid or a text box has the
// keyboard focus, and Ctrl+Y or Ctrl+Shift+Z clears it again.
TEST_F(History, TheKeysUndoAndRedoFromTheGridAndFromATextBox) {
    choose(kKick);
    click(Qt::LeftButton, 3, 5);
    for (QWidget* focus : std::vector<QWidget*>{grid(), seq->Edit2, seq->Loop, seq->ComboBox1}) {
        SCOPED_TRACE(focus->metaObject()->className());
        seq->ClearPattern1->trigger();
        ASSERT_EQ(seq->Grid.cell(3, 5), "");
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(seq->Grid.cell(3, 5), kKick);
        QTest::keyClick(focus, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(seq->Grid.cell(3, 5), "");
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(seq->Grid.cell(3, 5), "") << "nothing left to redo";
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(seq->Grid.cell(3, 5), kKick);
    }
}

TEST_F(History, UndoNeverTouchesFiles) {
    savePattern("Keep");
    const std::string saved = dir->read("Keep.pat");
    EXPECT_EQ(undoText(), "Undo Save Pattern");
    undo();
    EXPECT_EQ(playList(), std::vector<std::string>{}) << "the list entry goes";
    EXPECT_EQ(dir->read("Keep.pat"), saved) << "the file stays";

    redo();
    dialogs.answers.push_back(true);
    seq->MusicLib->SetItemIndex(indexOf(seq->MusicLib, "Keep"));
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    ASSERT_FALSE(fs::fileExists(dir->path() / "Keep.pat"));
    undo();
    EXPECT_EQ(playList(), std::vector<std::string>{"Keep"});
    EXPECT_FALSE(fs::fileExists(dir->path() / "Keep.pat")) << "a deleted file stays deleted";
}

TEST_F(History, TheHistoryKeepsTheNewestStepsOnly) {
    choose(kKick);
    seq->Grid.setRowCount(40);
    const int extra = 20;
    std::vector<WorkState> states{work()};
    for (int i = 0; i < WorkHistory::kUndoLimit + extra; ++i) {
        grid()->SetCurrent(1 + i % 6, 2 + i / 6);
        seq->Insertinstrument1->trigger();
        states.push_back(work());
    }
    EXPECT_EQ(steps(), WorkHistory::kUndoLimit);
    while (seq->Undo1->isEnabled())
        undo();
    EXPECT_EQ(work(), states[extra]) << "the oldest steps are gone, the rest undo in order";
    EXPECT_EQ(seq->Grid.cell(1, 2), kKick);
    while (seq->Redo1->isEnabled())
        redo();
    EXPECT_EQ(work(), states.back());
}

// The sample slots stand in for sounds: the cell trigger restarts a slot for its cell, so the
// slots restarted at a step tell what that step played.
using RestartedSlots = testing::FakeSlots;

TEST_F(History, UndoDuringPatternPlaybackChangesWhatTheNextStepPlays) {
    RestartedSlots fake;
    kits::SampleSlots* real = seq->Slots;
    seq->Slots = &fake;
    seq->Grid.setCell(2, 0, "2");
    seq->Grid.setCell(1, 2, "Sample3");
    seq->Grid.setCell(1, 3, "Sample4");
    seq->endless->setChecked(true);
    QTest::mouseClick(seq->BitBtn3, Qt::LeftButton);
    seq->DXTimer2.SetEnabled(false);  // the steps are driven here, one by one

    seq->DXTimer2Timer();  // step 1
    seq->ClearPattern1->trigger();
    seq->DXTimer2Timer();  // step 2: cleared
    seq->DXTimer2Timer();  // step 1: cleared
    EXPECT_EQ(fake.restarted, std::vector<int>{3});
    undo();
    seq->DXTimer2Timer();  // step 2: back
    seq->DXTimer2Timer();  // step 1: back
    EXPECT_EQ(fake.restarted, (std::vector<int>{3, 4, 3}));
    seq->Slots = real;
}

// ---- The recovery copy ----

TEST_F(History, TheCopyFollowsTheWorkAndGoesWhenTheWorkIsBackAsItStarted) {
    const fs::Path copy = history().RecoveryPath();
    EXPECT_EQ(copy, dir->path() / "temp" / "recovery.dat");
    choose(kKick);
    click(Qt::LeftButton, 4, 6);
    typeInto(seq->Edit3, "Night");
    // Written by itself within about a second of the change.
    EXPECT_TRUE(testing::runUntil([&] { return fs::fileExists(copy); }, milliseconds(5000)));
    history().FlushRecovery();
    EXPECT_EQ(song::readRecoveryFile(copy), work());

    undo();
    undo();
    history().FlushRecovery();
    EXPECT_FALSE(fs::fileExists(copy)) << "nothing unsaved is left";
}

TEST_F(History, AStartWithoutACopyAsksNothingAndACleanExitLeavesNoCopy) {
    EXPECT_TRUE(dialogs.shown.empty());
    choose(kKick);
    click(Qt::LeftButton, 4, 6);
    history().FlushRecovery();
    ASSERT_TRUE(fs::fileExists(history().RecoveryPath()));
    const fs::Path copy = history().RecoveryPath();
    seq->close();
    EXPECT_FALSE(fs::fileExists(copy));
}

// A copy left by an earlier run that did not end cleanly.
class Recovery : public History {
  protected:
    bool startAtSetUp() const override { return false; }
    void SetUp() override { WindowsFixture::SetUp(); }
    void leaveCopy(const std::string& text) { dir->write("temp/recovery.dat", text); }
    void startAndOffer() {
        start();
        QCoreApplication::processEvents();
    }
    static WorkState earlierWork() {
        GridTable grid;
        grid.setRowCount(10);
        grid.setCell(0, 0, "Left");
        grid.setCell(2, 0, "8");
        grid.setCell(4, 0, "4");
        grid.setCell(3, 5, "Snare     [7]");
        grid.setCell(6, 9, "Kick      [ ]");
        WorkState w;
        song::takeGrid(grid, w);
        w.patternName = "Left";
        w.tempo = 90;
        w.savedGlobalTempo = 90;
        w.loopCount = 3;
        w.playList = {{"Left", false}, {"Intro", true}, {"Left", false}};
        w.songTitle = "Tune";
        w.caption = "Valdorin Pro v4.0 - Tune";
        return w;
    }
    const platform::ScriptedDialogs::Shown* question() {
        for (const auto& s : dialogs.shown)
            if (s.kind == "yesno")
                return &s;
        return nullptr;
    }
};

TEST_F(Recovery, YesBringsTheWorkBackAsOneStep) {
    leaveCopy(song::recoveryText(earlierWork()));
    dialogs.answers.push_back(true);
    startAndOffer();
    ASSERT_NE(question(), nullptr);
    EXPECT_EQ(question()->caption, "Question");
    EXPECT_EQ(question()->text, "Restore the work that was not saved when Valdorin last ended?");
    EXPECT_EQ(work(), earlierWork());
    EXPECT_EQ(seq->Label6->text(), "80");
    EXPECT_EQ(seq->StepInterval, 180);
    EXPECT_EQ(seq->windowTitle(), "Valdorin Pro v4.0 - Tune");
    EXPECT_TRUE(seq->SongList->Checked(1));
    EXPECT_EQ(undoText(), "Undo Restore Unsaved Work");
    EXPECT_TRUE(fs::fileExists(history().RecoveryPath())) << "still unsaved";
    undo();
    EXPECT_EQ(seq->Grid.cell(3, 5), "");
    EXPECT_EQ(seq->windowTitle(), "Valdorin Pro v5.0");
}

TEST_F(Recovery, NoDiscardsTheCopyAndLeavesTheStartAlone) {
    leaveCopy(song::recoveryText(earlierWork()));
    startAndOffer();  // the scripted answer is No
    ASSERT_NE(question(), nullptr);
    EXPECT_FALSE(fs::fileExists(dir->path() / "temp" / "recovery.dat"));
    EXPECT_EQ(seq->Grid.cell(3, 5), "");
    EXPECT_EQ(seq->Delay->Position(), 60);
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_FALSE(seq->Undo1->isEnabled());
}

TEST_F(Recovery, ADamagedCopyIsDiscardedWithANotice) {
    std::string text = song::recoveryText(earlierWork());
    leaveCopy(text.substr(0, text.size() / 2));
    startAndOffer();
    EXPECT_EQ(question(), nullptr);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "notice");
    EXPECT_EQ(dialogs.shown[0].text, WorkHistory::kDamagedNotice);
    EXPECT_FALSE(fs::fileExists(dir->path() / "temp" / "recovery.dat"));
    EXPECT_EQ(seq->Grid.cell(3, 5), "");
}

TEST_F(Recovery, ACopyThatCannotBeWrittenIsSaidOnceInTheStatusLine) {
    std::filesystem::remove_all(dir->path() / "temp");
    startAndOffer();
    choose(kKick);
    click(Qt::LeftButton, 4, 6);
    history().FlushRecovery();
    click(Qt::LeftButton, 4, 7);
    history().FlushRecovery();
    EXPECT_NE(seq->statusBar()->currentMessage().indexOf("recovery copy cannot be written"), -1);
    EXPECT_TRUE(dialogs.shown.empty()) << "no box interrupts the work";
}

}  // namespace
}  // namespace valdorin
