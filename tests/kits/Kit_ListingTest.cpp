// The Kit List window and the main window's Drum Kit Library import, offscreen, on the offline
// capture output.

#include "kits/Kit_Listing.h"

#include <QTest>

#include "core/Windows.h"
#include "kits/KitWindowsFixture.h"
#include "platform/Controls.h"

namespace valdorin {
namespace {

using testing::KitWindowsFixture;

class KitList : public KitWindowsFixture {
  protected:
    void SetUp() override {
        KitWindowsFixture::SetUp();
        list = windows().Kit_List;
    }
    void click(int tag) { QTest::mouseClick(list->Labels[tag], Qt::LeftButton); }
    int pan(int instrument) { return seq->Kit.FindEntry(instrumentEntry(instrument)).Pan; }
    // The user's way: the instrument in the chooser, then the Panning bar moved.
    void setPan(int instrument, int pan) {
        seq->SetChooserText(instrumentEntry(instrument));
        seq->Panning->setValue(pan);
    }
    // Import > Drum Kit Library with the chooser answering `chosen` (nothing: cancelled).
    void import(std::optional<std::string> chosen) {
        dialogs.files.push_back(std::move(chosen));
        seq->SoundLibrary1->trigger();
    }

    TKit_List* list = nullptr;
};

TEST_F(KitList, StandsOnTopBesideTheMainWindowWithSixteenInstrumentNames) {
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->windowTitle().toStdString(), "Kit List");
    EXPECT_TRUE(list->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(list->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(list->pos(), QPoint(708, 0));
    EXPECT_EQ(list->width(), 80);

    const char* captions[] = {"Kick",  "Short Kick", "Snare",   "ClsHiHat", "OpHiHat", "Tom1",
                              "Tom2",  "Cymbol1",    "Cymbol2", "Rimshot",  "Shaker",  "Block",
                              "Congo", "Cowbell",    "Crack",   "Tamb"};
    const int tops[] = {8, 32, 57, 81, 105, 129, 153, 177, 201, 225, 249, 273, 297, 321, 345, 369};
    for (int tag = 0; tag < 16; ++tag) {
        SCOPED_TRACE(tag);
        const platform::TLabel* l = list->Labels[tag];
        EXPECT_EQ(l->text().toStdString(), captions[tag]);
        EXPECT_EQ(l->Tag, tag);
        EXPECT_EQ(l->pos(), QPoint(2, tops[tag]));
        EXPECT_TRUE(l->font().bold());
        EXPECT_EQ(l->font().italic(), tag >= 9) << "bold italic from Rimshot on";
        EXPECT_EQ(l->font().pixelSize(), 13);
        EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(list->rect().contains(l->geometry())) << "the whole name shows";
    }
}

TEST_F(KitList, ClosedItComesBackFromTheEditMenu) {
    list->close();
    EXPECT_FALSE(list->isVisible());
    seq->KitList1->trigger();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(seq->KitList1->text().toStdString(), "Kit List");
    EXPECT_EQ(seq->SoundLibrary1->text().toStdString(), "Drum Kit Library");
}

TEST_F(KitList, ANameClickedPutsItsInstrumentIntoTheChooserAndItsPanOnThePanningBar) {
    seq->Kit.FindEntry("Tamb      [ ]").Pan = 700;
    seq->Kit.FindEntry("Kick      [ ]").Pan = -300;
    click(15);
    EXPECT_EQ(seq->ChooserText(), "Tamb      [ ]");
    EXPECT_EQ(seq->Panning->Position(), 700);
    click(0);
    EXPECT_EQ(seq->ChooserText(), "Kick      [ ]");
    EXPECT_EQ(seq->Panning->Position(), -300);
    // Nothing else changes: the pans stay as they were.
    EXPECT_EQ(pan(16), 700);
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
}

TEST_F(KitList, ANameTheKitLacksIsReportedAndTheBarKeepsItsPosition) {
    fillKit(seq->Kit, instruments(false, /*lacking=*/16));
    seq->Kit.FindEntry("Kick      [ ]").Pan = -300;
    click(0);
    click(15);
    ASSERT_FALSE(dialogs.errors().empty());
    EXPECT_EQ(dialogs.errors().back(), "Wave 'Tamb      [ ]' not found");
    EXPECT_EQ(seq->ChooserText(), "Tamb      [ ]");
    EXPECT_EQ(seq->Panning->Position(), -300);
}

TEST_F(KitList, APanKeptAcrossAnImportShowsInTheKitList) {
    useTestKit();
    setPan(1, -1500);
    setPan(3, 900);
    click(15);  // the chooser away from Kick
    const std::string file = writeKit("Other.dxg", instruments(/*reversed=*/true));

    import(file);
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    const auto& request = dialogs.shown.back().request;
    EXPECT_EQ(request.filter, "dxg|*.dxg");
    EXPECT_EQ(request.directory, seq->ProgramDirectory);
    EXPECT_EQ(seq->Kit.EntryAt(1).Name(), "Tamb      [ ]") << "the new kit in use";
    EXPECT_EQ(pan(1), -1500);
    EXPECT_EQ(pan(3), 900);
    click(0);
    EXPECT_EQ(seq->Panning->Position(), -1500);
}

TEST_F(KitList, ACancelledImportChangesNothing) {
    setPan(2, 1200);
    seq->Kit.FindEntry("Snare     [ ]").Volume = -500;
    const auto* kick = &seq->Kit.FindEntry("Kick      [ ]");
    const int count = seq->Kit.Count();
    writeKit(".dxg", instruments());
    for (const auto& answer : std::vector<std::optional<std::string>>{std::nullopt, "", ".dxg"}) {
        import(answer);
        EXPECT_EQ(&seq->Kit.FindEntry("Kick      [ ]"), kick);
        EXPECT_EQ(seq->Kit.Count(), count);
        EXPECT_EQ(pan(2), 1200);
        EXPECT_EQ(seq->Kit.FindEntry("Snare     [ ]").Volume, -500);
    }
    EXPECT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
}

TEST_F(KitList, AKitLackingTambLoadsWithFifteenPansRestored) {
    for (int i = 1; i <= 16; ++i)
        setPan(i, 100 * i);
    import(writeKit("NoTamb.dxg", instruments(false, /*lacking=*/16)));
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Wave 'Tamb      [ ]' not found"});
    EXPECT_EQ(seq->Kit.Count(), 16);
    for (int i = 1; i <= 15; ++i)
        EXPECT_EQ(pan(i), 100 * i) << i;
    EXPECT_EQ(seq->Kit.TryFindEntry("Tamb      [ ]"), nullptr);
}

TEST_F(KitList, AFileThatIsNoKitIsReportedWithWhatWasReadAndNoPansBack) {
    setPan(1, -800);
    import((*dir / "missing.dxg").string());
    EXPECT_EQ(dialogs.errors().back(), "Cannot open file " + (*dir / "missing.dxg").string());
    EXPECT_EQ(pan(1), -800) << "the current kit, unchanged";

    // A kit file cut short after its first three instruments.
    writeKit("Cut.dxg", instruments());
    const std::string whole = dir->read("Cut.dxg");
    dir->write("Cut.dxg", whole.substr(0, whole.find("Cymbol1") - 5));
    import((*dir / "Cut.dxg").string());
    EXPECT_EQ(dialogs.errors().size(), 2u);
    EXPECT_NE(dialogs.errors().back().find("Stream read error"), std::string::npos)
        << dialogs.errors().back();
    ASSERT_NE(seq->Kit.TryFindEntry("Kick      [ ]"), nullptr);
    EXPECT_EQ(pan(1), 0);
}

// The main window finds its instruments by name: a kit stored in another order sounds each
// instrument's own sound.
TEST_F(KitList, AKitInAnotherOrderPlaysByName) {
    for (int i = 1; i <= 16; ++i)
        seq->Kit.FindEntry(instrumentEntry(i)).Pan = 0;
    import(writeKit("Reversed.dxg", instruments(/*reversed=*/true)));
    ASSERT_TRUE(dialogs.errors().empty()) << dialogs.errors().front();
    for (int i : {1, 3, 10, 16})
        EXPECT_NEAR(playInstrument(i), level(i), 1e-4) << i;
}

}  // namespace
}  // namespace valdorin
