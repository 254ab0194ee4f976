// Pattern files and the real sample slots: Save Pattern reads the importer's slots, Load
// pattern puts WAV files back into them and names the sample picker's buttons.

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <filesystem>

#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/Main.h"
#include "kits/Sams.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using testing::WindowsFixture;
namespace stdfs = std::filesystem;

const fs::Path kPatterns = fs::Path(VALDORIN_TEST_DATA) / "patterns";

class PatternSlots : public WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        form = windows().MainForm;
        picker = windows().Samples;
        ASSERT_EQ(seq->Slots, static_cast<kits::SampleSlots*>(form));
    }
    void load(const std::string& name) {
        seq->SongList->Add(name);
        const int last = seq->SongList->Count() - 1;
        QPoint at = seq->SongList->visualItemRect(seq->SongList->item(last)).center();
        at.setX(at.x() + 20);  // right of the check box
        QTest::mouseClick(seq->SongList->viewport(), Qt::LeftButton, {}, at);
    }
    TMainForm* form = nullptr;
    TSamples* picker = nullptr;
};

TEST_F(PatternSlots, ASlotLineNamingAWavFilePutsItIntoTheSlotAndOnItsButton) {
    stdfs::copy_file(*dir / "Blank.wav", *dir / "LongSampleName.wav");
    const std::string wav = fs::textFromPath(*dir / "LongSampleName.wav");
    auto lines = fs::readLines(kPatterns / "Beat1.pat");
    lines[51 + 2 * 2] = wav;  // slot 3
    lines[51 + 2 * 2 + 1] = "32000";
    fs::writeLines(*dir / "Beat1.pat", lines);

    load("Beat1");
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_EQ(form->fileName(3), wav);
    EXPECT_EQ(form->frequency(3), 32000);
    EXPECT_EQ(picker->Buttons[2]->text().toStdString(), "LongSamp");
    EXPECT_TRUE(form->PlayButton->isEnabled());
    // "Blank.wav" lines change neither the other slots nor their buttons.
    for (int s : {1, 2, 4, 32}) {
        EXPECT_EQ(form->fileName(s), "Blank.wav") << s;
        EXPECT_EQ(picker->Buttons[s - 1]->text().toStdString(), "Sample " + std::to_string(s));
    }
}

TEST_F(PatternSlots, SavedSlotsLoadBackIntoTheSlots) {
    stdfs::copy_file(*dir / "Blank.wav", *dir / "Clap.wav");
    const std::string wav = fs::textFromPath(*dir / "Clap.wav");
    form->setFileName(5, wav);
    form->setFrequency(5, 30000);
    seq->Grid.setCell(0, 0, "WithClap");
    QTest::mouseClick(seq->BitBtn6, Qt::LeftButton);
    const auto lines = fs::readLines(*dir / "WithClap.pat");
    ASSERT_EQ(lines.size(), 199u);
    EXPECT_EQ(lines[song::slotLineIndex(16, 5)], wav);
    EXPECT_EQ(lines[song::slotLineIndex(16, 5) + 1], "30000");
    EXPECT_EQ(lines[song::slotLineIndex(16, 1)], "Blank.wav");

    form->setFileName(5, "Blank.wav");
    seq->SongList->SetItemIndex(0);
    QTest::mouseClick(
        seq->SongList->viewport(), Qt::RightButton, {},
        seq->SongList->visualItemRect(seq->SongList->item(0)).center() + QPoint(20, 0));
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_EQ(form->fileName(5), wav);
    EXPECT_EQ(form->frequency(5), 30000);
    EXPECT_EQ(picker->Buttons[4]->text().toStdString(), "Clap");
}

}  // namespace
}  // namespace valdorin
