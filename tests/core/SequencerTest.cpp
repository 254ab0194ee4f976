// The main window's start-up, close and resize, offscreen.

#include "core/Sequencer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <filesystem>

#include "core/InstrumentList.h"
#include "core/StringGrid.h"
#include "core/Windows.h"
#include "kits/Kit_Listing.h"
#include "kits/Main.h"
#include "kits/Sams.h"
#include "platform/Controls.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using testing::ProgramDir;
using testing::WindowsFixture;

std::string panFile(const std::vector<int>& pans) {
    std::string text;
    for (int p : pans)
        text += std::to_string(p) + "\r\n";
    return text;
}

class StartUp : public WindowsFixture {};

TEST_F(StartUp, ShowsTheEighteenRowGridLabelsHeadersLibraryLoopAndTempo) {
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    const GridTable& g = seq->Grid;
    EXPECT_EQ(g.rowCount(), 18);
    EXPECT_EQ(g.cell(0, 0), "");
    EXPECT_EQ(g.cell(1, 0), "Length:");
    EXPECT_EQ(g.cell(2, 0), "16");
    EXPECT_EQ(g.cell(3, 0), "Time:");
    EXPECT_EQ(g.cell(4, 0), "4");
    EXPECT_EQ(g.cell(0, 2), "1:0*");
    EXPECT_EQ(g.cell(0, 5), "4:3");
    EXPECT_EQ(g.cell(0, 17), "16:3");
    EXPECT_EQ(g.cell(0, 18), "");  // start-up labels the sixteen step rows only
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(g.cell(c, 1), "Channel:" + std::to_string(c));
    ASSERT_EQ(seq->MusicLib->Count(), 1);
    EXPECT_EQ(seq->MusicLib->Item(0), "<Blank>");
    EXPECT_EQ(seq->Loop->value(), 1);
    EXPECT_EQ(seq->Label6->text().toStdString(), "120");
    EXPECT_EQ(seq->StepInterval, 120);
    EXPECT_EQ(seq->SavedGlobalTempo, 60);
    EXPECT_EQ(seq->windowTitle().toStdString(), "Valdorin Pro v5.0");
    EXPECT_EQ(seq->ComboBox1->count(), 49);
    EXPECT_EQ(seq->ChooserText(), "");
    EXPECT_EQ(seq->Edit2->text().toStdString(), "Name");
    EXPECT_EQ(seq->ProgramDirectory, std::filesystem::current_path().string());
    EXPECT_EQ(seq->Kit.Count(), 17);
    EXPECT_EQ(seq->OutputSampleRate, 44200);
}

TEST_F(StartUp, CreatesTheWindowsWithTheirCaptionsAndVisibility) {
    const Windows& w = windows();
    EXPECT_TRUE(w.Sequence->isVisible());
    EXPECT_TRUE(w.Kit_List->isVisible());
    EXPECT_TRUE(w.Samples->isVisible());
    EXPECT_FALSE(w.MainForm->isVisible());
    EXPECT_EQ(w.Kit_List->windowTitle().toStdString(), "Kit List");
    EXPECT_EQ(w.Samples->windowTitle().toStdString(), "Samples");
    EXPECT_EQ(w.MainForm->windowTitle().toStdString(), "Sample1");
}

TEST_F(StartUp, PreparesTheBlankSampleFilesOfTheTempDirectory) {
    const std::string blank = dir->read("Blank.wav");
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(dir->read("temp/sample" + std::to_string(i) + ".wav"), blank) << i;
    EXPECT_FALSE(std::filesystem::exists(*dir / "temp/sample9.wav"));
}

TEST_F(StartUp, HelpAsksTheDesktopToOpenTheManual) {
    dir->write("valdorin.html", "<html></html>");
    seq->HelpContents1->trigger();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().kind, "document");
    EXPECT_EQ(dialogs.shown.back().text,
              (std::filesystem::current_path() / "valdorin.html").string());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(StartUp, HelpWithoutAManualSaysSo) {
    seq->HelpContents1->trigger();
    ASSERT_EQ(dialogs.errors().size(), 1u);
    EXPECT_NE(dialogs.errors()[0].find("\"valdorin.html\" was not found"), std::string::npos);
    for (const auto& s : dialogs.shown)
        EXPECT_NE(s.kind, "document");
}

TEST_F(StartUp, HelpWithNothingToShowTheManualSaysSo) {
    dir->write("valdorin.html", "<html></html>");
    dialogs.documentOpens = false;
    seq->HelpContents1->trigger();
    ASSERT_EQ(dialogs.errors().size(), 1u);
    EXPECT_NE(dialogs.errors()[0].find("valdorin.html"), std::string::npos);
}

class StartUpWithPatterns : public WindowsFixture {
    void prepare(ProgramDir& d) override {
        d.write("Beat1.pat", "");
        d.write("x.PAT", "");
        d.write("alpha.pat", "");
        d.write("notes.txt", "");
    }
};

TEST_F(StartUpWithPatterns, ListsPatternFilesCaseBlindAndSorted) {
    std::vector<std::string> items;
    for (int i = 0; i < seq->MusicLib->Count(); ++i)
        items.push_back(seq->MusicLib->Item(i));
    EXPECT_EQ(items, (std::vector<std::string>{"<Blank>", "alpha", "Beat1", "x"}));
}

class StartUpPanFile : public WindowsFixture {
  protected:
    std::string pans;
    void prepare(ProgramDir& d) override { d.write("Panning.dat", pans); }
    bool startAtSetUp() const override { return false; }
};

TEST_F(StartUpPanFile, TakesLinesOneToSixteenAndIgnoresTheRest) {
    std::vector<int> lines(20, 0);
    lines[0] = 999;  // never read
    lines[3] = -300;
    lines[16] = 1500;
    lines[19] = 77;
    dir->write("Panning.dat", panFile(lines));
    start();
    EXPECT_TRUE(dialogs.errors().empty());
    EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(3)).Pan, -300);
    EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(16)).Pan, 1500);
    EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(1)).Pan, 0);
}

TEST_F(StartUpPanFile, AShortFileStopsWithTheInvalidNumberErrorAndTheWindowStillOpens) {
    dir->write("Panning.dat", panFile(std::vector<int>(10, 5)));
    start();
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_TRUE(seq->isVisible());
    EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(9)).Pan, 5);
    EXPECT_EQ(seq->Kit.FindEntry(instrumentEntry(10)).Pan, 0);
    // The steps after the failing one were skipped.
    EXPECT_FALSE(std::filesystem::exists(*dir / "temp/sample1.wav"));
}

TEST_F(StartUpPanFile, AMissingFileGivesTheFileOpenError) {
    std::filesystem::remove(*dir / "Panning.dat");
    start();
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Cannot open file Panning.dat"});
    EXPECT_EQ(seq->Grid.cell(0, 17), "16:3");  // the earlier steps were done
}

class StartUpWithoutKit : public WindowsFixture {
    void prepare(ProgramDir& d) override { std::filesystem::remove(d / "power.dxg"); }
};

TEST_F(StartUpWithoutKit, ReportsTheKitAndLeavesTheGridWithoutHeaders) {
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Cannot open file power.dxg"});
    EXPECT_TRUE(seq->isVisible());
    EXPECT_EQ(seq->Grid.cell(1, 0), "");
    EXPECT_EQ(seq->Grid.cell(0, 2), "");
    EXPECT_EQ(seq->ProgramDirectory, "");
}

TEST_F(StartUpWithoutKit, ClosesWithoutTouchingThePanFile) {
    const std::string before = dir->read("Panning.dat");
    EXPECT_TRUE(seq->close());
    EXPECT_EQ(dir->read("Panning.dat"), before);
}

class Close : public WindowsFixture {};

TEST_F(Close, WritesTheSeventeenPansWithCrLf) {
    seq->Kit.FindEntry(instrumentEntry(3)).Pan = -300;
    seq->Kit.FindEntry(instrumentEntry(16)).Pan = 2000;
    EXPECT_TRUE(seq->close());
    std::vector<int> expected(17, 0);
    expected[3] = -300;
    expected[16] = 2000;
    EXPECT_EQ(dir->read("Panning.dat"), panFile(expected));
}

TEST_F(Close, AnUnwritablePanFileAsksWhetherToQuitWithoutSaving) {
    seq->ProgramDirectory = (*dir / "no such folder").string();
    dialogs.answers = {false};
    EXPECT_FALSE(seq->close());
    EXPECT_TRUE(seq->isVisible());
    ASSERT_EQ(dialogs.errors().size(), 1u);
    EXPECT_EQ(dialogs.errors()[0].rfind("Cannot create file ", 0), 0u);
    EXPECT_EQ(dialogs.shown.back().kind, "yesno");
    EXPECT_EQ(dialogs.shown.back().caption, "Question");

    dialogs.answers = {true};
    EXPECT_TRUE(seq->close());
}

class Resize : public WindowsFixture {};

TEST_F(Resize, KeepsTheHeightAtLeast540AndFitsTheGrid) {
    EXPECT_GE(seq->height(), 540);
    seq->resize(594, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(seq->height(), 540);
    EXPECT_EQ(seq->StringGrid1->height(), 540 - 216 - 50);
    seq->resize(594, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(seq->StringGrid1->height(), 700 - 216 - 50);
    EXPECT_EQ(seq->StringGrid1->width(), 537);
}

}  // namespace
}  // namespace valdorin
