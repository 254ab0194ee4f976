// Save Pattern, Load pattern, the play list arrows and Delete pattern in the main window,
// offscreen, driven through the controls.

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include <sys/resource.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <set>

#include "core/Errors.h"
#include "core/Sequencer.h"
#include "core/Text.h"
#include "kits/SampleSlots.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "support/PatternFiles.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using testing::WindowsFixture;
namespace stdfs = std::filesystem;

const fs::Path kPatterns = fs::Path(VALDORIN_TEST_DATA) / "patterns";

std::string fileBytes(const fs::Path& path) {
    const auto bytes = fs::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Sample slots standing in for the importer's (PatternSlotsTest covers the real ones): they
// record what the program asked of them and open no sound. Opening a file succeeds when it
// exists and gives it the rate 22050 Hz; a missing file fails as the importer's does.
class FakeSlots : public kits::SampleSlots, public kits::SlotView {
  public:
    struct Slot {
        std::string fileName = "Blank.wav";
        int frequency = 22050;
        int pan = 0;
        int basePitch = 0;
        std::string caption;
    };
    std::array<Slot, 33> slot;  // 1 to 32
    bool controlsEnabled = false;
    int filesSet = 0;

    FakeSlots() {
        for (int s = 1; s <= 32; ++s)
            slot[s].caption = "Sample " + std::to_string(s);
    }
    std::string fileName(int s) const override { return slot[s].fileName; }
    void setFileName(int s, const std::string& path) override {
        ++filesSet;
        if (!fs::fileExists(fs::pathFromText(path))) {
            slot[s].fileName.clear();
            throwCannotOpen(path);
        }
        slot[s].fileName = path;
        slot[s].frequency = 22050;
        slot[s].pan = 0;
    }
    int frequency(int s) const override { return slot[s].frequency; }
    void setFrequency(int s, int hz) override { slot[s].frequency = hz; }
    int pan(int s) const override { return slot[s].pan; }
    void setPan(int s, int p) override { slot[s].pan = p; }
    int volume(int) const override { return 0; }
    void setBasePitch(int s, int hz) override { slot[s].basePitch = hz; }
    void restart(int) override {}
    void stop(int) override {}
    void setPickerCaption(int s, const std::string& caption) override { slot[s].caption = caption; }
    void enableImporterControls() override { controlsEnabled = true; }
    void setPitchBar(int) override {}
};

std::vector<std::string> listItems(const platform::TListBox& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Item(i));
    return out;
}

std::set<std::string> dirNames(const fs::Path& dir) {
    std::set<std::string> names;
    for (const auto& e : stdfs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

class PatternCommands : public WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        seq->Slots = &bank;
        seq->SlotWindows = &bank;
    }
    void TearDown() override {
        if (seq) {
            seq->Slots = nullptr;
            seq->SlotWindows = nullptr;
        }
        WindowsFixture::TearDown();
    }

    // The grid as Update Time leaves it for a pattern of that length and beat, named.
    void shapeGrid(const std::string& name, int length, int beat) {
        GridTable& g = seq->Grid;
        g.setCell(0, 0, name);
        g.setCell(2, 0, std::to_string(length));
        g.setCell(4, 0, std::to_string(beat));
        g.setRowCount(length + 2);
        labelSteps(g, beat, length + 1);
    }
    void save() { QTest::mouseClick(seq->BitBtn6, Qt::LeftButton); }
    void saveAs(const std::string& name) {
        seq->Grid.setCell(0, 0, name);
        save();
    }

    void pressOnPlayList(int index, Qt::MouseButton button = Qt::LeftButton) {
        QListWidgetItem* item = seq->SongList->item(index);
        ASSERT_NE(item, nullptr);
        // Right of the check box, so that only the selection (left press) reacts.
        QPoint at = seq->SongList->visualItemRect(item).center();
        at.setX(at.x() + 20);
        QTest::mousePress(seq->SongList->viewport(), button, {}, at);
        QTest::mouseRelease(seq->SongList->viewport(), button, {}, at);
    }
    void doubleClickLibrary(int index) {
        QListWidgetItem* item = seq->MusicLib->item(index);
        ASSERT_NE(item, nullptr);
        const QPoint at = seq->MusicLib->visualItemRect(item).center();
        QTest::mouseClick(seq->MusicLib->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(seq->MusicLib->viewport(), Qt::LeftButton, {}, at);
    }
    int libraryIndex(const std::string& name) const {
        const auto items = listItems(*seq->MusicLib);
        const auto it = std::find(items.begin(), items.end(), name);
        return it == items.end() ? -1 : static_cast<int>(it - items.begin());
    }
    // Loads a pattern file written by the test through the play list, by a left press.
    void load(const std::string& name) {
        seq->SongList->Add(name);
        pressOnPlayList(seq->SongList->Count() - 1);
    }
    std::vector<std::string> errors() const { return dialogs.errors(); }

    FakeSlots bank;
};

// ---- Save Pattern ----

TEST_F(PatternCommands, SavesSixteenStepsByteForByteAsTheReference) {
    // The pattern of Groove16.pat, entered into the window.
    shapeGrid("Groove \xC9", 16, 4);
    GridTable& g = seq->Grid;
    g.setCell(1, 2, "Kick      [ ]");
    g.setCell(1, 10, "Kick      [9]");
    g.setCell(3, 6, "Snare     [1]");
    g.setCell(6, 17, "Sample3");
    g.setCell(2, 4, "Caf\xE9 typed");
    g.setCell(5, 0, "\xE9t\xE9");
    g.setCell(4, 18, "Tom1      [5]");
    seq->Delay->SetPosition(90);
    seq->Loop->setValue(2);
    bank.slot[3].fileName = "C:\\Samples\\Snare 2.wav";
    bank.slot[3].frequency = 44100;
    bank.slot[32].fileName = "/home/me/caf\xE9.wav";
    bank.slot[32].frequency = 11025;

    save();
    EXPECT_TRUE(errors().empty()) << errors().front();
    const fs::Path written = *dir / "Groove \xC3\x89.pat";  // the name in UTF-8 on disk
    ASSERT_TRUE(fs::fileExists(written));
    const std::string bytes = fileBytes(written);
    EXPECT_EQ(bytes, fileBytes(kPatterns / "Groove16.pat"));
    const auto lines = fs::splitLines(bytes);
    EXPECT_EQ(lines.size(), 199u);
    EXPECT_EQ(lines[2], "16");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_TRUE(seq->MusicPad.empty());
    EXPECT_EQ(listItems(*seq->SongList), std::vector<std::string>{"Groove \xC9"});
    EXPECT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "Groove \xC9"}));
    EXPECT_EQ(seq->SongList->item(0)->text(), QString::fromUtf8("Groove \xC3\x89"));
}

TEST_F(PatternCommands, SavesTheBeat1ExampleInItsHundredAndFifteenLines) {
    shapeGrid("Beat1", 4, 4);
    seq->Grid.setCell(1, 2, "Kick      [3]");
    save();
    EXPECT_TRUE(errors().empty());
    // The reference has every slot at 22050 Hz, as these empty bank are.
    EXPECT_EQ(dir->read("Beat1.pat"), fileBytes(kPatterns / "Beat1.pat"));
    EXPECT_EQ(fs::readLines(*dir / "Beat1.pat").size(), 115u);
}

TEST_F(PatternCommands, AStartUpGridSavesItsSixteenStepsAndAnEmptyRowAfterThem) {
    seq->Grid.setCell(0, 0, "First");
    save();
    const auto lines = fs::readLines(*dir / "First.pat");
    ASSERT_EQ(lines.size(), 199u);
    EXPECT_EQ(lines[2], "16");
    EXPECT_EQ(lines[7 * 17], "16:3");
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(lines[7 * 18 + c], "") << c;  // row 18: never labelled
    EXPECT_EQ(lines[133], "60");
    EXPECT_EQ(lines[134], "1");
}

TEST_F(PatternCommands, SavingTwiceAppendsOnceAndTheLibraryStaysSorted) {
    saveAs("beta");
    saveAs("Alpha");
    saveAs("beta");
    saveAs("gamma");
    saveAs("Alpha");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(listItems(*seq->SongList), (std::vector<std::string>{"beta", "Alpha", "gamma"}));
    EXPECT_EQ(listItems(*seq->MusicLib),
              (std::vector<std::string>{"<Blank>", "Alpha", "beta", "gamma"}));
}

TEST_F(PatternCommands, SavingANameAlreadyInThePlayListChangesNeitherList) {
    seq->SongList->Add("Lost");  // from a song: in the play list, not in the library
    seq->Grid.setCell(1, 3, "Snare     [4]");
    saveAs("Lost");
    EXPECT_EQ(listItems(*seq->SongList), std::vector<std::string>{"Lost"});
    EXPECT_EQ(listItems(*seq->MusicLib), std::vector<std::string>{"<Blank>"});
    EXPECT_EQ(fs::readLines(*dir / "Lost.pat")[7 * 3 + 1], "Snare     [4]");  // still written
}

TEST_F(PatternCommands, SavingReplacesTheFileFoundWithoutRegardToCase) {
    dir->write("x.PAT", "old\r\n");
    saveAs("x");
    EXPECT_EQ(fs::readLines(*dir / "x.PAT").size(), 199u);
    EXPECT_FALSE(dirNames(dir->path()).count("x.pat"));
}

TEST_F(PatternCommands, AnEmptyNameCellAsksForANameEvenWhileTheBoxShowsName) {
    ASSERT_EQ(seq->Edit2->text().toStdString(), "Name");
    ASSERT_EQ(seq->Grid.cell(0, 0), "");
    const auto before = dirNames(dir->path());
    save();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "notice");
    EXPECT_EQ(dialogs.shown[0].caption, "NAME");
    EXPECT_EQ(dialogs.shown[0].text, "Name of pattern?");
    EXPECT_EQ(dirNames(dir->path()), before);
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(seq->MusicLib->Count(), 1);
}

TEST_F(PatternCommands, UnsafeNamesWriteNothingAndChangeNeitherList) {
    const fs::Path outside = dir->path().parent_path();
    const std::string unique = dir->path().filename().string() + "-escape";
    const std::vector<std::string> names = {
        "a/b", "..\\" + unique, "../" + unique, ".",  "..",  "C:x",       "a*",
        "a?",  "say \"hi\"",    "<b",           "b>", "a|b", "tab\there", "x\x01"};
    const auto before = dirNames(dir->path());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        dialogs.shown.clear();
        saveAs(name);
        ASSERT_EQ(errors().size(), 1u);
        EXPECT_NE(errors()[0].find("is not a valid pattern name"), std::string::npos)
            << errors()[0];
        EXPECT_EQ(dirNames(dir->path()), before);
        EXPECT_EQ(seq->SongList->Count(), 0);
        EXPECT_EQ(seq->MusicLib->Count(), 1);
        EXPECT_TRUE(seq->MusicPad.empty());
    }
    EXPECT_FALSE(stdfs::exists(outside / (unique + ".pat")));
}

TEST_F(PatternCommands, ANameThatIsADirectoryFailsAndLeavesItWhole) {
    stdfs::create_directory(*dir / "Busy.pat");
    dir->write("Busy.pat/inside", "kept");
    saveAs("Busy");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_NE(errors()[0].find("Cannot create file"), std::string::npos) << errors()[0];
    EXPECT_EQ(dir->read("Busy.pat/inside"), "kept");
    EXPECT_EQ(dirNames(dir->path()).count("Busy.pat"), 1u);
    for (const auto& name : dirNames(dir->path()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;  // no write left beside it
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(seq->MusicLib->Count(), 1);
}

TEST_F(PatternCommands, ASaveIntoAVanishedDirectoryFailsWithoutListChanges) {
    seq->ProgramDirectory = fs::textFromPath(*dir / "gone");
    saveAs("Beat1");
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_NE(errors()[0].find("Cannot create file"), std::string::npos) << errors()[0];
    EXPECT_EQ(seq->SongList->Count(), 0);
    EXPECT_EQ(seq->MusicLib->Count(), 1);
}

TEST_F(PatternCommands, AnInterruptedWriteLeavesTheOldFileWhole) {
    dir->write("Keep.pat", "the old pattern\r\n");
    // The file size limit makes the write fail part way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    saveAs("Keep");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(errors().size(), 1u) << "the write did not fail";
    EXPECT_EQ(dir->read("Keep.pat"), "the old pattern\r\n");
    for (const auto& name : dirNames(dir->path()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    EXPECT_EQ(seq->SongList->Count(), 0);
}

TEST_F(PatternCommands, ALengthThatIsNoNumberStopsBeforeWriting) {
    dir->write("Keep.pat", "the old pattern\r\n");
    seq->Grid.setCell(2, 0, "sixteen");
    saveAs("Keep");
    EXPECT_EQ(errors(), std::vector<std::string>{"'sixteen' is not a valid integer value"});
    EXPECT_EQ(dir->read("Keep.pat"), "the old pattern\r\n");
    EXPECT_EQ(seq->SongList->Count(), 0);
}

// ---- Load pattern ----

// A pattern file's lines, built as Save Pattern builds them.
std::vector<std::string> patternLines(const std::string& name, int length, int tempo, int loops,
                                      const song::SlotLines& slotLines) {
    GridTable g = testing::patternGrid(name, length);
    for (int step = 1; step <= length; ++step)
        g.setCell(1 + step % 6, step + 1, "Tom1      [" + std::to_string(step % 10) + "]");
    return song::patternFileLines(g, length, tempo, loops, slotLines);
}

void writePattern(const fs::Path& path, const std::vector<std::string>& lines) {
    fs::writeLines(path, lines);
}

TEST_F(PatternCommands, LoadingEightStepsIntoThirtyTwoKeepsTheHiddenRows) {
    shapeGrid("Long", 32, 4);
    seq->Grid.setCell(2, 20, "Snare     [2]");
    seq->Grid.setCell(0, 11, "old label");  // row 11 is the eight-step file's last row + 1
    writePattern(*dir / "Eight.pat",
                 patternLines("Eight", 8, 48, 3, testing::blankSlotLines(22050)));

    load("Eight");
    EXPECT_TRUE(errors().empty()) << errors().front();
    const GridTable& g = seq->Grid;
    EXPECT_EQ(g.rowCount(), 10);
    EXPECT_EQ(g.cell(0, 0), "Eight");
    EXPECT_EQ(g.cell(2, 0), "8");
    EXPECT_EQ(g.cell(2, 2), "Tom1      [1]");
    EXPECT_EQ(g.cell(0, 10), "9:0*");       // row L+2 comes from the file
    EXPECT_EQ(g.cell(0, 11), "old label");  // rows beyond it keep their texts
    EXPECT_EQ(g.cell(2, 20), "Snare     [2]");
    EXPECT_EQ(g.cell(0, 33), "32:3");
    EXPECT_EQ(seq->Delay->Position(), 48);
    EXPECT_EQ(seq->StepInterval, 96);
    EXPECT_EQ(seq->Label6->text().toStdString(), "150");
    EXPECT_EQ(seq->Loop->value(), 3);
    EXPECT_EQ(seq->SavedGlobalTempo, 60);  // only the user's moves change it
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Eight");
    EXPECT_TRUE(seq->Edit4->text().isEmpty());
    EXPECT_TRUE(seq->Edit5->text().isEmpty());
    EXPECT_TRUE(seq->MusicPad.empty());
    EXPECT_EQ(bank.filesSet, 0);
    EXPECT_FALSE(bank.controlsEnabled);
}

TEST_F(PatternCommands, LoadingFindsTheFileWithoutRegardToCase) {
    writePattern(*dir / "x.PAT", patternLines("x", 4, 60, 1, testing::blankSlotLines(22050)));
    load("x");
    EXPECT_TRUE(errors().empty()) << errors().front();
    EXPECT_EQ(seq->Grid.rowCount(), 6);
}

TEST_F(PatternCommands, AFileEndingAfterItsLoopCountLoadsFullyAndKeepsTheSlots) {
    auto lines = fs::readLines(kPatterns / "Beat1.pat");
    lines.resize(51);
    lines[49] = "30";
    writePattern(*dir / "Beat1.pat", lines);
    bank.slot[4].fileName = "/samples/Hat.wav";
    load("Beat1");
    EXPECT_TRUE(errors().empty()) << errors().front();
    EXPECT_EQ(seq->Grid.rowCount(), 6);
    EXPECT_EQ(seq->Delay->Position(), 30);
    EXPECT_EQ(seq->Label6->text().toStdString(), "240");
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Beat1");
    EXPECT_EQ(bank.filesSet, 0);
    EXPECT_EQ(bank.slot[4].fileName, "/samples/Hat.wav");
    EXPECT_EQ(bank.slot[4].caption, "Sample 4");
}

TEST_F(PatternCommands, ASlotLineNamingAWavFileRestoresTheSlotAndItsPickerButton) {
    stdfs::copy_file(*dir / "Blank.wav", *dir / "LongSampleName.wav");
    const std::string wav = fs::textFromPath(*dir / "LongSampleName.wav");
    auto lineSet = testing::blankSlotLines(22050);
    lineSet[2] = {wav, 32000};  // slot 3
    writePattern(*dir / "WithSample.pat", patternLines("WithSample", 4, 60, 1, lineSet));
    bank.slot[5] = {"/samples/Hat.wav", 30000, 0, 29000, "Hat"};  // slot 5's line: Blank.wav

    load("WithSample");
    EXPECT_TRUE(errors().empty()) << errors().front();
    EXPECT_EQ(bank.slot[3].fileName, wav);
    EXPECT_EQ(bank.slot[3].frequency, 32000);
    EXPECT_EQ(bank.slot[3].basePitch, 32000);
    EXPECT_EQ(bank.slot[3].caption, "LongSamp");
    EXPECT_EQ(bank.filesSet, 1);  // "Blank.wav" lines open nothing
    EXPECT_EQ(bank.slot[5].fileName, "/samples/Hat.wav");
    EXPECT_EQ(bank.slot[5].frequency, 30000);
    EXPECT_EQ(bank.slot[5].caption, "Hat");
    EXPECT_EQ(bank.slot[4].caption, "Sample 4");
    EXPECT_TRUE(bank.controlsEnabled);
}

TEST_F(PatternCommands, AnEmptySlotLineLeavesTheImporterAlone) {
    writePattern(*dir / "Plain.pat",
                 patternLines("Plain", 4, 60, 1, testing::blankSlotLines(22050)));
    load("Plain");
    EXPECT_EQ(bank.filesSet, 0);
    EXPECT_FALSE(bank.controlsEnabled);
    for (int s = 1; s <= 32; ++s)
        EXPECT_EQ(bank.slot[s].caption, "Sample " + std::to_string(s));
}

TEST_F(PatternCommands, ASlotFileThatCannotBeOpenedStopsTheLoadAtThatSlot) {
    auto lineSet = testing::blankSlotLines(22050);
    lineSet[1] = {"/nowhere/Missing.wav", 11025};               // slot 2
    lineSet[5] = {fs::textFromPath(*dir / "Blank.wav"), 8000};  // slot 6: never reached
    writePattern(*dir / "Broken.pat", patternLines("Broken", 4, 90, 2, lineSet));
    bank.slot[6].fileName = "/samples/Keep.wav";

    load("Broken");
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot open file /nowhere/Missing.wav"});
    EXPECT_EQ(seq->Grid.cell(0, 0), "Broken");
    EXPECT_EQ(seq->Delay->Position(), 90);
    EXPECT_EQ(seq->Loop->value(), 2);
    EXPECT_EQ(bank.slot[2].fileName, "");
    EXPECT_EQ(bank.slot[6].fileName, "/samples/Keep.wav");
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Name");  // not refreshed
    EXPECT_EQ(seq->Label6->text().toStdString(), "120");  // nor the tempo display
    EXPECT_TRUE(seq->MusicPad.empty());
}

TEST_F(PatternCommands, ARightPressReloadsTheSelectedPatternAndDiscardsEdits) {
    writePattern(*dir / "One.pat", patternLines("One", 4, 60, 1, testing::blankSlotLines(22050)));
    writePattern(*dir / "Two.pat", patternLines("Two", 8, 60, 1, testing::blankSlotLines(22050)));
    seq->SongList->Add("One");
    seq->SongList->Add("Two");
    pressOnPlayList(0);
    ASSERT_EQ(seq->Grid.cell(0, 0), "One");
    seq->Grid.setCell(1, 3, "Snare     [9]");  // an unsaved edit

    pressOnPlayList(1, Qt::RightButton);  // over "Two": the selection stays on "One"
    EXPECT_TRUE(errors().empty()) << errors().front();
    EXPECT_EQ(seq->SongList->ItemIndex(), 0);
    EXPECT_EQ(seq->Grid.cell(0, 0), "One");
    EXPECT_EQ(seq->Grid.cell(1, 3), "");

    pressOnPlayList(1);
    EXPECT_EQ(seq->Grid.cell(0, 0), "Two");
    EXPECT_EQ(seq->Grid.rowCount(), 10);
}

TEST_F(PatternCommands, PressesWithNothingToLoadDoNothing) {
    seq->Grid.setCell(3, 3, "mine");
    seq->SongList->Add("<Blank>");
    seq->SongList->Add("");
    pressOnPlayList(0);
    pressOnPlayList(1);
    // No entry selected: a right press over an entry loads nothing.
    seq->SongList->SetItemIndex(-1);
    pressOnPlayList(0, Qt::RightButton);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(seq->Grid.cell(3, 3), "mine");
}

TEST_F(PatternCommands, AMissingFileLeavesGridAndSettingsAsTheyWere) {
    seq->Grid.setCell(3, 3, "mine");
    seq->Delay->SetPosition(100);
    load("Ghost");
    EXPECT_EQ(errors(),
              std::vector<std::string>{"Cannot open file " + seq->ProgramDirectory + "/Ghost.pat"});
    EXPECT_EQ(seq->Grid.cell(3, 3), "mine");
    EXPECT_EQ(seq->Grid.rowCount(), 18);
    EXPECT_EQ(seq->Delay->Position(), 100);
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Name");
}

TEST_F(PatternCommands, APlayListNameNeverReachesOutsideTheProgramDirectory) {
    const fs::Path outside = dir->path().parent_path();
    const std::string unique = dir->path().filename().string() + "-outside";
    writePattern(outside / (unique + ".pat"),
                 patternLines("Outside", 4, 60, 1, testing::blankSlotLines(22050)));
    stdfs::create_directory(*dir / "sub");
    writePattern(*dir / "sub/In.pat", patternLines("In", 4, 60, 1, testing::blankSlotLines(22050)));
    for (const std::string& name :
         std::vector<std::string>{"../" + unique, "..\\" + unique, "sub/In", "sub\\In"}) {
        SCOPED_TRACE(name);
        dialogs.shown.clear();
        load(name);
        EXPECT_EQ(errors(), std::vector<std::string>{"Cannot open file " + seq->ProgramDirectory +
                                                     "/" + name + ".pat"});
        EXPECT_EQ(seq->Grid.cell(0, 0), "");
    }
    stdfs::remove(outside / (unique + ".pat"));
}

TEST_F(PatternCommands, ADirectoryCarryingThePatternsNameIsNoPattern) {
    stdfs::create_directory(*dir / "Odd.pat");
    load("Odd");
    EXPECT_EQ(errors(),
              std::vector<std::string>{"Cannot open file " + seq->ProgramDirectory + "/Odd.pat"});
}

TEST_F(PatternCommands, TempoValuesOutsideTheBarTakeItsNearestEnd) {
    struct Case {
        const char* tempo;
        int position;
        const char* bpm;
    };
    for (const Case& c : {Case{"500", 140, "51"}, Case{"0", 1, "7200"}, Case{"-3", 1, "7200"}}) {
        SCOPED_TRACE(c.tempo);
        auto lines = fs::readLines(kPatterns / "Beat1.pat");
        lines[49] = c.tempo;
        writePattern(*dir / "Beat1.pat", lines);
        seq->SongList->clear();
        load("Beat1");
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(seq->Delay->Position(), c.position);
        EXPECT_EQ(seq->Label6->text().toStdString(), c.bpm);
    }
}

// Bad numbers and short files: the load stops with the invalid-number error and keeps what it
// did before.
class DamagedPattern : public PatternCommands {
  protected:
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::string message;
        bool gridCopied;  // rows from the file, row count L+2
        int tempo;        // the bar afterwards
        int loops;        // Loop afterwards
    };
    static std::vector<std::string> beat1(int index, const std::string& text) {
        auto lines = fs::readLines(kPatterns / "Beat1.pat");
        lines[static_cast<std::size_t>(index)] = text;
        return lines;
    }
    static std::vector<std::string> beat1Cut(std::size_t size) {
        auto lines = fs::readLines(kPatterns / "Beat1.pat");
        lines.resize(size);
        return lines;
    }
    // Slot 1 names a WAV file of the program directory by its full path, which opens it.
    static std::vector<std::string> beat1Slot(const std::string& frequency, std::size_t size) {
        stdfs::copy_file("Blank.wav", "Clap.wav", stdfs::copy_options::skip_existing);
        auto lines = fs::readLines(kPatterns / "Beat1.pat");
        lines[51] = fs::textFromPath(stdfs::current_path() / "Clap.wav");
        lines[52] = frequency;
        lines.resize(size);
        return lines;
    }
};

TEST_F(DamagedPattern, StopsWithTheInvalidNumberErrorKeepingWhatWasDone) {
    const std::string empty = "'' is not a valid integer value";
    const Case cases[] = {
        {"length no number", beat1(2, "four"), "'four' is not a valid integer value", false, 100,
         5},
        {"empty file", {}, empty, false, 100, 5},
        {"ends inside the grid block", beat1Cut(30), empty, false, 100, 5},
        {"negative length", beat1(2, "-4"), "Pattern file Beat1.pat is damaged", false, 100, 5},
        {"huge length", beat1(2, "2000000000"), empty, false, 100, 5},
        {"tempo no number", beat1(49, "6O"), "'6O' is not a valid integer value", true, 100, 5},
        {"ends before the tempo", beat1Cut(49), empty, true, 100, 5},
        {"loops no number", beat1(50, "x"), "'x' is not a valid integer value", true, 60, 5},
        {"ends before the loop count", beat1Cut(50), empty, true, 60, 5},
        {"slot frequency no number", beat1Slot("fast", 115), "'fast' is not a valid integer value",
         true, 60, 1},
        {"slot frequency missing", beat1Slot("", 52), empty, true, 60, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        seq->SongList->clear();
        seq->Grid.setRowCount(34);
        seq->Grid.setCell(1, 2, "mine");
        seq->Grid.setCell(1, 20, "hidden");
        seq->Delay->SetPosition(100);
        seq->Loop->setValue(5);
        seq->Edit2->setText("Name");
        writePattern(*dir / "Beat1.pat", c.lines);

        load("Beat1");
        EXPECT_EQ(errors(), std::vector<std::string>{c.message});
        EXPECT_EQ(seq->Grid.rowCount(), c.gridCopied ? 6 : 34);
        EXPECT_EQ(seq->Grid.cell(1, 2), c.gridCopied ? "Kick      [3]" : "mine");
        EXPECT_EQ(seq->Grid.cell(1, 20), "hidden");
        EXPECT_EQ(seq->Delay->Position(), c.tempo);
        EXPECT_EQ(seq->Loop->value(), c.loops);
        EXPECT_EQ(seq->Edit2->text().toStdString(), "Name");
        EXPECT_EQ(seq->Label6->text().toStdString(), "120");
        EXPECT_TRUE(seq->MusicPad.empty());
    }
}

// ---- The play list arrows and Delete pattern ----

TEST_F(PatternCommands, DoubleClickAndTheArrowAddTheSelectedPatternToThePlayList) {
    saveAs("Beat1");
    seq->SongList->clear();
    const int at = libraryIndex("Beat1");
    doubleClickLibrary(at);
    QTest::mouseClick(seq->BitBtn1, Qt::LeftButton);
    QTest::mouseClick(seq->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(listItems(*seq->SongList), (std::vector<std::string>{"Beat1", "Beat1", "Beat1"}));

    doubleClickLibrary(0);  // "<Blank>"
    QTest::mouseClick(seq->BitBtn1, Qt::LeftButton);
    seq->MusicLib->SetItemIndex(-1);
    QTest::mouseClick(seq->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(seq->SongList->Count(), 3);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PatternCommands, RemovingFromThePlayListPutsAMissingNameIntoTheLibrary) {
    saveAs("Beat1");
    seq->SongList->Add("lost");
    seq->SongList->Add("<Blank>");
    seq->SongList->Add("Beat1");

    seq->SongList->SetItemIndex(1);  // "lost": not in the library
    QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "Beat1", "lost"}));
    EXPECT_EQ(listItems(*seq->SongList), (std::vector<std::string>{"Beat1", "<Blank>", "Beat1"}));

    seq->SongList->SetItemIndex(2);  // in the library: only the entry goes
    QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(listItems(*seq->SongList), (std::vector<std::string>{"Beat1", "<Blank>"}));
    EXPECT_EQ(seq->MusicLib->Count(), 3);

    seq->SongList->SetItemIndex(1);  // "<Blank>" is in the library too: the entry goes
    QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(listItems(*seq->SongList), std::vector<std::string>{"Beat1"});
    EXPECT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "Beat1", "lost"}));

    seq->SongList->SetItemIndex(-1);
    QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(seq->SongList->Count(), 1);
}

TEST_F(PatternCommands, DeletePatternRemovesTheFileTheEntryAndEveryPlayListCopy) {
    saveAs("Beat1");
    saveAs("Other");
    seq->SongList->clear();
    for (const char* name : {"Beat1", "Other", "Beat1", "Beat1"})
        seq->SongList->Add(name);
    seq->MusicLib->SetItemIndex(libraryIndex("Beat1"));

    dialogs.answers.push_back(true);
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "okcancel");
    EXPECT_EQ(dialogs.shown[0].caption, "!Are you sure you wish to delete?");
    EXPECT_EQ(dialogs.shown[0].text,
              "This will Delete this pattern from both Pattern Lib and Play List, Some Songs that "
              "contain this pattern may not play, are you sure?");
    EXPECT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "Other"}));
    EXPECT_EQ(listItems(*seq->SongList), std::vector<std::string>{"Other"});
    EXPECT_FALSE(stdfs::exists(*dir / "Beat1.pat"));
    EXPECT_TRUE(stdfs::exists(*dir / "Other.pat"));
}

TEST_F(PatternCommands, DeletePatternCancelledOrOnBlankChangesNothing) {
    saveAs("Beat1");
    seq->MusicLib->SetItemIndex(libraryIndex("Beat1"));
    dialogs.answers.push_back(false);
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    EXPECT_EQ(dialogs.shown.size(), 1u);

    seq->MusicLib->SetItemIndex(0);
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    seq->MusicLib->SetItemIndex(-1);
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    EXPECT_EQ(dialogs.shown.size(), 1u);  // asked only the first time
    EXPECT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "Beat1"}));
    EXPECT_EQ(listItems(*seq->SongList), std::vector<std::string>{"Beat1"});
    EXPECT_TRUE(stdfs::exists(*dir / "Beat1.pat"));
}

TEST_F(PatternCommands, DeletingANameWithoutAFileOrWithAnUnsafeNameIsSilent) {
    seq->SongList->Add("lost");
    seq->SongList->Add("a:b");
    for (int i = 0; i < 2; ++i) {
        seq->SongList->SetItemIndex(0);
        QTest::mouseClick(seq->BitBtn2, Qt::LeftButton);  // into the library
    }
    ASSERT_EQ(listItems(*seq->MusicLib), (std::vector<std::string>{"<Blank>", "a:b", "lost"}));
    for (const char* name : {"lost", "a:b"}) {
        seq->MusicLib->SetItemIndex(libraryIndex(name));
        dialogs.answers.push_back(true);
        QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(listItems(*seq->MusicLib), std::vector<std::string>{"<Blank>"});
}

// ---- A whole session ----

TEST_F(PatternCommands, SavedPatternsAreInTheLibraryAgainAfterARestart) {
    shapeGrid("Verse", 8, 4);
    seq->Grid.setCell(1, 2, "Kick      [5]");
    save();
    shapeGrid("Chorus \xC9", 16, 4);
    seq->Grid.setCell(2, 5, "Snare     [7]");
    save();
    saveAs("doomed");
    EXPECT_EQ(listItems(*seq->SongList),
              (std::vector<std::string>{"Verse", "Chorus \xC9", "doomed"}));

    // Back and forth between the patterns.
    pressOnPlayList(0);
    EXPECT_EQ(seq->Grid.cell(1, 2), "Kick      [5]");
    EXPECT_EQ(seq->Grid.rowCount(), 10);
    pressOnPlayList(1);
    EXPECT_EQ(seq->Grid.cell(2, 5), "Snare     [7]");
    EXPECT_EQ(seq->Grid.rowCount(), 18);
    EXPECT_EQ(seq->Edit2->text(), QString::fromUtf8("Chorus \xC3\x89"));

    seq->MusicLib->SetItemIndex(libraryIndex("doomed"));
    dialogs.answers.push_back(true);
    QTest::mouseClick(seq->LibBin, Qt::LeftButton);
    EXPECT_TRUE(errors().empty());

    seq->Slots = nullptr;
    seq->SlotWindows = nullptr;
    destroyWindows();
    start();
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(listItems(*seq->MusicLib),
              (std::vector<std::string>{"<Blank>", "Chorus \xC9", "Verse"}));
    seq->SongList->Add("Verse");
    pressOnPlayList(0);
    EXPECT_EQ(seq->Grid.cell(1, 2), "Kick      [5]");
}

}  // namespace
}  // namespace valdorin
