// The drum kit library's rules: the kit file chooser's answer, and the sixteen instruments'
// volumes and pans carried across a kit file read by name.

#include "kits/KitLibrary.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/InstrumentList.h"
#include "kits/KitBytes.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

// A kit of a placeholder and the sixteen instruments in the given order of instrument list
// positions; each instrument's wave tells which it is.
void fillKit(TWaveCollection& kit, const std::vector<int>& order) {
    kit.ClearEntries();
    kit.AddEntry().Wave = wave(pcmFormat(), pattern(8, 0));
    for (int i : order) {
        TWaveCollectionItem& e = kit.AddEntry();
        kit.SetEntryName(e, instrumentEntry(i));
        e.Wave = wave(pcmFormat(), pattern(8, i));
    }
}

std::vector<int> allInstruments(bool reversed = false, int lacking = 0) {
    std::vector<int> order;
    for (int i = 1; i <= kKitInstruments; ++i)
        if (i != lacking)
            order.push_back(reversed ? kKitInstruments + 1 - i : i);
    return order;
}

class KitImport : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        fillKit(kit, allInstruments());
        for (int i = 1; i <= kKitInstruments; ++i) {
            kit.FindEntry(instrumentEntry(i)).Pan = 100 * i;
            kit.FindEntry(instrumentEntry(i)).Volume = -10 * i;
        }
        kit.FindEntry("Snare     [ ]").Pan = -1500;
    }
    // Writes a kit of the given order and reads it into `kit` between noting and restoring.
    std::string import(const std::vector<int>& order) {
        TWaveCollection other;
        fillKit(other, order);
        WriteKitFile(other, dir / "other.dxg");
        const NotedLevels levels = noteInstrumentLevels(kit);
        ReadKitFile(kit, dir / "other.dxg");
        return errorOf([&] { restoreInstrumentLevels(kit, levels); });
    }

    TWaveCollection kit;
};

TEST_F(KitImport, EveryInstrumentKeepsItsPanAndVolumeByNameWhateverTheNewKitsOrder) {
    EXPECT_EQ(import(allInstruments(/*reversed=*/true)), "(no error)");
    ASSERT_EQ(kit.Count(), 17);
    // The new kit's entries, in its own order.
    EXPECT_EQ(kit.EntryAt(1).Name(), instrumentEntry(16));
    for (int i = 1; i <= kKitInstruments; ++i) {
        const TWaveCollectionItem& e = kit.FindEntry(instrumentEntry(i));
        EXPECT_EQ(e.Pan, i == 3 ? -1500 : 100 * i) << i;
        EXPECT_EQ(e.Volume, -10 * i) << i;
        EXPECT_EQ(e.Wave.data(), pattern(8, i)) << "the new kit's sound of " << i;
    }
    EXPECT_EQ(kit.EntryAt(0).Pan, 0);
}

// A new kit lacking an instrument: the message names it, the instruments before it have their
// settings back, it is missing and those after it start at 0.
TEST_F(KitImport, ANewKitLackingAnInstrumentStopsTheRestoreThere) {
    for (int lacking : {16, 3}) {
        SCOPED_TRACE(lacking);
        SetUp();
        EXPECT_EQ(import(allInstruments(false, lacking)),
                  "Wave '" + instrumentEntry(lacking) + "' not found");
        EXPECT_EQ(kit.Count(), 16);
        EXPECT_EQ(kit.TryFindEntry(instrumentEntry(lacking)), nullptr);
        for (int i = 1; i <= kKitInstruments; ++i) {
            if (i == lacking)
                continue;
            const TWaveCollectionItem& e = kit.FindEntry(instrumentEntry(i));
            const bool restored = i < lacking;
            EXPECT_EQ(e.Pan, restored ? (i == 3 ? -1500 : 100 * i) : 0) << i;
            EXPECT_EQ(e.Volume, restored ? -10 * i : 0) << i;
        }
    }
}

TEST_F(KitImport, ACurrentKitLackingAnInstrumentIsReportedBeforeAnythingIsRead) {
    kit.SetEntryName(kit.FindEntry("Cowbell   [ ]"), "Bell");
    EXPECT_EQ(errorOf([&] { noteInstrumentLevels(kit); }), "Wave 'Cowbell   [ ]' not found");
}

TEST(KitFileChoice, OnlyANameOfAFileIsImported) {
    struct Case {
        const char* chosen;
        bool imported;
    };
    for (const Case& c : {Case{"", false}, Case{".dxg", false}, Case{"/kits/rock.dxg", true},
                          Case{"rock.dxg", true}, Case{".DXG", true}, Case{"/kits/.dxg", true}})
        EXPECT_EQ(isKitFileChoice(c.chosen), c.imported) << c.chosen;
}

}  // namespace
}  // namespace valdorin::kits
