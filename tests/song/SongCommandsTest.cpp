// The play list's commands and song files in the main window, offscreen, driven through the
// controls, the menu shortcuts and scripted file dialogs.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gmock/gmock.h>

#include <array>
#include <filesystem>

#include "core/Errors.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/Main.h"
#include "kits/SampleSlots.h"
#include "kits/Sams.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using ::testing::ElementsAre;
using testing::WindowsFixture;

// Sample slots that open any file that exists (at 22050 Hz, pan 0) and fail on the others, as
// the importer does.
class SongSlots : public kits::SampleSlots, public kits::SlotView {
  public:
    struct Slot {
        std::string fileName = "Blank.wav";
        int frequency = 44100;
        int pan = 0;
        std::string caption;
    };
    std::array<Slot, 33> slot;  // 1 to 32
    bool controlsEnabled = false;
    int pitchBar = -1;

    std::string fileName(int s) const override { return slot.at(s).fileName; }
    void setFileName(int s, const std::string& path) override {
        if (path != "Blank.wav" && !fs::fileExists(fs::pathFromText(path))) {
            slot.at(s).fileName.clear();
            throwCannotOpen(path);
        }
        slot.at(s).fileName = path;
        slot.at(s).frequency = 22050;
        slot.at(s).pan = 0;
    }
    int frequency(int s) const override { return slot.at(s).frequency; }
    void setFrequency(int s, int hz) override { slot.at(s).frequency = hz; }
    int pan(int s) const override { return slot.at(s).pan; }
    void setPan(int s, int p) override { slot.at(s).pan = p; }
    int volume(int) const override { return 0; }
    void setBasePitch(int, int) override {}
    void restart(int) override {}
    void stop(int) override {}
    void setPickerCaption(int s, const std::string& c) override { slot.at(s).caption = c; }
    void enableImporterControls() override { controlsEnabled = true; }
    void setPitchBar(int hz) override { pitchBar = hz; }
};

std::vector<std::string> listItems(const platform::TListBox& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}

class SongCommands : public WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        seq->Slots = &bank;
        seq->SlotWindows = &bank;
        seq->activateWindow();
    }
    void TearDown() override {
        if (seq) {
            seq->Slots = nullptr;
            seq->SlotWindows = nullptr;
        }
        WindowsFixture::TearDown();
    }

    void playList(const std::vector<std::string>& names) {
        seq->SongList->clear();
        for (const auto& n : names)
            seq->SongList->Add(n);
    }
    std::string path(const std::string& name) const { return fs::textFromPath(*dir / name); }
    void saveSongAs(const std::optional<std::string>& chosen) {
        dialogs.files.push_back(chosen);
        QTest::mouseClick(seq->BitBtn9, Qt::LeftButton);
    }
    void openSong(const std::optional<std::string>& chosen) {
        dialogs.files.push_back(chosen);
        QTest::mouseClick(seq->BitBtn8, Qt::LeftButton);
    }
    std::string title() const { return platform::programText(seq->Edit3->text()); }
    std::string caption() const { return seq->windowTitle().toStdString(); }
    // A wave file that the slots will open.
    std::string sample(const std::string& name) const {
        dir->write(name, "RIFF");
        return path(name);
    }

    SongSlots bank;
};

// ---- Save Song and Open Song ----

TEST_F(SongCommands, SavesFortyThreeLinesAndOpensThemBack) {
    playList({"A", "B", "A"});
    for (int s = 1; s <= 8; ++s)
        bank.slot[s] = {"Blank.wav", 44100, 0, ""};
    bank.slot[1] = {sample("Clap.wav"), 22050, -300, ""};
    bank.slot[2] = {sample("Very long name.wav"), 11025, 700, ""};
    seq->Edit3->setText("Proposed");
    saveSongAs(path("My Song.sng"));
    EXPECT_TRUE(dialogs.errors().empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].request.directory, seq->ProgramDirectory);
    EXPECT_EQ(dialogs.shown[0].request.fileName, "Proposed");
    EXPECT_EQ(dialogs.shown[0].request.filter, "*.sng|*.sng");
    EXPECT_EQ(title(), "My Song");
    EXPECT_EQ(caption(), "Valdorin Pro v4.0 - My Song");
    EXPECT_TRUE(seq->MusicPad.empty());

    const std::string bytes = dir->read("My Song.sng");
    const auto lines = fs::splitLines(bytes);
    ASSERT_EQ(lines.size(), 43u);
    EXPECT_EQ(bytes.substr(0, 17), "A\r\nB\r\nA\r\n<*sam1\r\n");
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 3, lines.begin() + 13),
                ElementsAre("<*sam1", path("Clap.wav"), "22050", "//", "-300", "<*sam2",
                            path("Very long name.wav"), "11025", "//", "700"));
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    // Another song in the window, and slots changed since.
    QTest::keyClick(seq, Qt::Key_N, Qt::ControlModifier);
    playList({"X"});
    for (int s = 1; s <= 32; ++s)
        bank.slot[s] = {"/gone/" + std::to_string(s) + ".wav", 8000, 55, "old"};
    bank.controlsEnabled = false;

    openSong(path("My Song.sng"));
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("A", "B", "A"));
    EXPECT_EQ(seq->SongList->ItemIndex(), -1);
    EXPECT_EQ(title(), "My Song");
    EXPECT_EQ(bank.slot[1].fileName, path("Clap.wav"));
    EXPECT_EQ(bank.slot[1].frequency, 22050);
    EXPECT_EQ(bank.slot[1].pan, -300);
    EXPECT_EQ(bank.slot[1].caption, "Clap");
    EXPECT_EQ(bank.slot[2].caption, "Very lon");
    EXPECT_EQ(bank.slot[2].pan, 700);
    EXPECT_EQ(bank.slot[3].fileName, "Blank.wav");
    EXPECT_EQ(bank.slot[3].caption, "Blank");
    EXPECT_EQ(bank.pitchBar, 11025);
    EXPECT_TRUE(bank.controlsEnabled);
    for (int s = 9; s <= 32; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(bank.slot[s].fileName, "/gone/" + std::to_string(s) + ".wav");
        EXPECT_EQ(bank.slot[s].pan, 55);
        EXPECT_EQ(bank.slot[s].caption, "old");
    }
}

TEST_F(SongCommands, AFileOfPlayListLinesOnlyChangesNoSlot) {
    dir->write("Plain.sng", "Intro\r\nVerse\r\n\r\nVerse\r\n");
    bank.slot[1].fileName = "/mine.wav";
    openSong(path("Plain.sng"));
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("Intro", "Verse", "", "Verse"));
    EXPECT_EQ(bank.slot[1].fileName, "/mine.wav");
    EXPECT_EQ(title(), "Plain");
}

TEST_F(SongCommands, RecordsWithoutPansSetFilesAndFrequencies) {
    const std::string a = sample("a.wav"), b = sample("b.wav");
    dir->write("NoPans.sng", "A\r\n<*sam1\r\n" + a + "\r\n100\r\n<*sam2\r\n" + b + "\r\n200\r\n");
    bank.slot[3] = {"/three.wav", 300, 33, ""};
    openSong(path("NoPans.sng"));
    EXPECT_TRUE(dialogs.errors().empty());
    EXPECT_EQ(bank.slot[1].fileName, a);
    EXPECT_EQ(bank.slot[1].frequency, 100);
    EXPECT_EQ(bank.slot[2].frequency, 200);
    EXPECT_EQ(bank.slot[3].pan, 33);
}

TEST_F(SongCommands, MoreThanThirtyTwoRecordsSetThirtyTwoSlots) {
    std::string text = "A\r\n";
    for (int s = 1; s <= 36; ++s)
        text += "<*sam" + std::to_string(s) + "\r\nBlank.wav\r\n" + std::to_string(1000 + s) +
                "\r\n//\r\n" + std::to_string(s) + "\r\n";
    dir->write("Many.sng", text);
    openSong(path("Many.sng"));
    EXPECT_TRUE(dialogs.errors().empty());
    EXPECT_EQ(bank.slot[32].frequency, 1032);
    EXPECT_EQ(bank.slot[32].pan, 32);
    EXPECT_FALSE(bank.controlsEnabled) << "Blank.wav records leave the controls alone";
}

TEST_F(SongCommands, CancellingOpenKeepsThePlayListAndEmptiesTheTitle) {
    playList({"A", "B"});
    seq->Edit3->setText("Song");
    openSong(std::nullopt);
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("A", "B"));
    EXPECT_EQ(title(), "");
    EXPECT_EQ(caption(), "Valdorin Pro v4.0 - ");
    EXPECT_EQ(dialogs.shown.at(0).request.directory, seq->ProgramDirectory);
}

TEST_F(SongCommands, CancellingSaveWritesNothing) {
    playList({"A"});
    seq->Edit3->setText("Song");
    const auto before = std::distance(std::filesystem::directory_iterator(dir->path()), {});
    saveSongAs(std::nullopt);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir->path()), {}), before);
    EXPECT_EQ(title(), "");
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(SongCommands, SaveAndOpenEnableThePlayPatternButtonOnly) {
    playList({"A"});
    seq->SetPlayButtonsEnabled(false);
    saveSongAs(path("S.sng"));
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
    seq->BitBtn3->setEnabled(false);
    openSong(path("S.sng"));
    EXPECT_TRUE(seq->BitBtn3->isEnabled());
    EXPECT_FALSE(seq->BitBtn12->isEnabled());
}

TEST_F(SongCommands, SavingOverASongReplacesIt) {
    dir->write("Old.sng", std::string(5000, 'x'));
    playList({"New"});
    saveSongAs(path("Old.sng"));
    EXPECT_EQ(fs::readLines(*dir / "Old.sng").size(), 41u);
}

TEST_F(SongCommands, ASaveThatFailsKeepsTheExtensionInTheTitle) {
    playList({"A"});
    saveSongAs(path("no such folder/S.sng"));
    EXPECT_EQ(dialogs.errors().size(), 1u);
    EXPECT_EQ(title(), "S.sng");
    EXPECT_TRUE(seq->MusicPad.empty());
}

TEST_F(SongCommands, AnUnreadableSongLeavesAnEmptyPlayListAndTheFullPath) {
    playList({"A"});
    openSong(path("Missing.sng"));
    EXPECT_THAT(dialogs.errors(), ElementsAre("Cannot open file " + path("Missing.sng")));
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(title(), path("Missing.sng"));
}

TEST_F(SongCommands, ASlotFileThatCannotBeOpenedStopsOpenThere) {
    const std::string a = sample("a.wav");
    dir->write("Bad.sng", "A\r\nB\r\n<*sam1\r\n" + a +
                              "\r\n100\r\n//\r\n5\r\n<*sam2\r\n/nowhere.wav\r\n"
                              "200\r\n//\r\n6\r\n<*sam3\r\n" +
                              a + "\r\n300\r\n//\r\n7\r\n");
    bank.slot[3].frequency = 333;
    openSong(path("Bad.sng"));
    EXPECT_THAT(dialogs.errors(), ElementsAre("Cannot open file /nowhere.wav"));
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("A", "B"));
    EXPECT_EQ(bank.slot[1].pan, 5);
    EXPECT_EQ(bank.slot[2].fileName, "");
    EXPECT_EQ(bank.slot[3].frequency, 333);
    EXPECT_EQ(title(), path("Bad.sng"));
}

TEST_F(SongCommands, ASongEntryThatIsNoPatternNameFailsToLoadWithTheFileOpenError) {
    dir->write("Odd.sng", "../secret\r\n");
    openSong(path("Odd.sng"));
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("../secret"));
    seq->SongList->SetItemIndex(0);
    platform::runCommand([&] { seq->SongListMouseDown(Qt::LeftButton); });
    EXPECT_THAT(dialogs.errors(),
                ElementsAre("Cannot open file " + seq->ProgramDirectory + "/../secret.pat"));
}

// ---- Menu shortcuts ----

TEST_F(SongCommands, CtrlSRunsSaveSongAndCtrlOOpenSong) {
    playList({"A"});
    QTest::keyClick(seq, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "save");
    QTest::keyClick(seq, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, "open");
}

// ---- Move up, Move down, Delete marked ----

struct MoveCase {
    const char* name;
    int selected;
    bool up;
    std::vector<std::string> after;
    int selectedAfter;
};

class MoveEntries : public SongCommands, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveEntries, ExchangeWithTheNeighbour) {
    const MoveCase& c = GetParam();
    playList({"A", "B", "C"});
    seq->SongList->SetItemIndex(c.selected);
    QTest::mouseClick(c.up ? seq->UpDown1Up : seq->UpDown1Down, Qt::LeftButton);
    EXPECT_EQ(listItems(*seq->SongList), c.after);
    EXPECT_EQ(seq->SongList->ItemIndex(), c.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveEntries,
    ::testing::Values(MoveCase{"UpFromB", 1, true, {"B", "A", "C"}, 0},
                      MoveCase{"DownFromB", 1, false, {"A", "C", "B"}, 2},
                      MoveCase{"UpFromTheFirst", 0, true, {"A", "B", "C"}, 0},
                      MoveCase{"DownFromTheLast", 2, false, {"A", "B", "C"}, 2},
                      MoveCase{"UpWithNothingSelected", -1, true, {"A", "B", "C"}, -1},
                      MoveCase{"DownWithNothingSelected", -1, false, {"A", "B", "C"}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SongCommands, AMovedEntryTakesItsCheckMarkAlong) {
    playList({"A", "B", "C"});
    seq->SongList->SetChecked(1, true);
    seq->SongList->SetItemIndex(1);
    seq->UpDown1Click(true);
    EXPECT_TRUE(seq->SongList->Checked(0));
    EXPECT_FALSE(seq->SongList->Checked(1));
    seq->SongBinClick();
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("A", "C"));
}

TEST_F(SongCommands, DeleteMarkedKeepsTheOthersInOrder) {
    playList({"1", "2", "3", "4", "5"});
    seq->SongBinClick();
    EXPECT_EQ(seq->SongList->Count(), 5) << "nothing marked, nothing deleted";
    seq->SongList->SetChecked(1, true);
    seq->SongList->SetChecked(3, true);
    QTest::mouseClick(seq->SongBin, Qt::LeftButton);
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("1", "3", "5"));
}

TEST_F(SongCommands, ChecksMarkByTheBoxWithAnyButtonAndBySpace) {
    playList({"A", "B", "C"});
    auto box = [&](int i) {
        const QRect r = seq->SongList->visualItemRect(seq->SongList->item(i));
        return QPoint(r.left() + r.height() / 2, r.center().y());
    };
    QTest::mouseClick(seq->SongList->viewport(), Qt::RightButton, {}, box(0));
    EXPECT_TRUE(seq->SongList->Checked(0));
    EXPECT_EQ(seq->SongList->ItemIndex(), -1) << "only a left press selects";
    seq->SongList->SetItemIndex(2);
    seq->SongList->setFocus();
    QTest::keyClick(seq->SongList, Qt::Key_Space);
    EXPECT_TRUE(seq->SongList->Checked(2));
    EXPECT_FALSE(seq->SongList->Checked(1));
    QTest::mouseClick(seq->SongBin, Qt::LeftButton);
    EXPECT_THAT(listItems(*seq->SongList), ElementsAre("B"));
}

// ---- New Song ----

TEST_F(SongCommands, NewSongAfterASixtyFourStepPatternEmptiesTheCells) {
    seq->TimeBar->setEditText("64 | 16");
    seq->BitBtn13Click();
    for (int r = 2; r <= 66; ++r)
        for (int c = 1; c <= 6; ++c)
            seq->Grid.setCell(c, r, "Kick      [1]");
    seq->Grid.setCell(0, 0, "Long");
    seq->Loop->setValue(4);
    playList({"Long", "Other"});
    seq->Edit3->setText("Title");

    QTest::keyClick(seq, Qt::Key_N, Qt::ControlModifier);

    for (int r = 2; r <= 66; ++r)
        for (int c = 1; c <= 6; ++c)
            ASSERT_EQ(seq->Grid.cell(c, r), "") << c << "," << r;
    EXPECT_EQ(seq->Grid.rowCount(), 66);
    EXPECT_EQ(seq->Grid.cell(0, 2), "1:0*");
    EXPECT_EQ(seq->Grid.cell(0, 65), "64:15");
    EXPECT_EQ(seq->Grid.cell(0, 0), "");
    EXPECT_EQ(seq->Edit2->text().toStdString(), "");
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(title(), "");
    EXPECT_EQ(caption(), "Valdorin Pro v5.0");
    EXPECT_EQ(seq->Loop->value(), 4) << "New Song keeps the loop count";
}

// ---- With the importer's own slots ----

class SongWithRealSlots : public WindowsFixture {};

TEST_F(SongWithRealSlots, ASavedSongRestoresSlotsAndPickerButtons) {
    TMainForm* form = windows().MainForm;
    TSamples* picker = windows().Samples;
    std::filesystem::copy_file(*dir / "Blank.wav", *dir / "Clap.wav");
    const std::string clap = fs::textFromPath(*dir / "Clap.wav");
    form->setFileName(1, clap);
    form->setFrequency(1, 30000);
    form->setPan(1, -500);
    form->setFileName(20, clap);
    seq->SongList->Add("A");
    dialogs.files.push_back(fs::textFromPath(*dir / "Real.sng"));
    seq->BitBtn9Click();
    ASSERT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();

    form->setFileName(1, "Blank.wav");
    form->setFileName(20, "Blank.wav");
    dialogs.files.push_back(fs::textFromPath(*dir / "Real.sng"));
    seq->BitBtn8Click();
    ASSERT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_EQ(form->fileName(1), clap);
    EXPECT_EQ(form->frequency(1), 30000);
    EXPECT_EQ(form->pan(1), -500);
    EXPECT_EQ(picker->Buttons[0]->text().toStdString(), "Clap");
    EXPECT_EQ(picker->Buttons[1]->text().toStdString(), "Blank");
    EXPECT_EQ(form->fileName(20), "Blank.wav") << "slots 9 to 32 are not in a song";
    EXPECT_TRUE(form->PlayButton->isEnabled());
}

}  // namespace
}  // namespace valdorin
