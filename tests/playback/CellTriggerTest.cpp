#include "playback/CellTrigger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/Errors.h"

namespace valdorin::playback {
namespace {

// Records the sound operations in order; fails those it is told to, as a kit without the entry
// or a slot without sound does.
class Recorder : public CellSounds {
  public:
    std::vector<std::string> calls;
    std::set<int> missingKit;
    std::set<int> silentSlots;

    void setKitVolume(int instrument, int volume) override {
        if (missingKit.count(instrument))
            throw Error("Wave 'x' not found");
        calls.push_back("volume " + std::to_string(instrument) + " " + std::to_string(volume));
    }
    void playKit(int instrument) override {
        if (missingKit.count(instrument))
            throw Error("Wave 'x' not found");
        calls.push_back("play " + std::to_string(instrument));
    }
    void restartSlot(int slot) override {
        if (silentSlots.count(slot))
            throw Error("WaveStream not set");
        calls.push_back("restart " + std::to_string(slot));
    }
};

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct TriggerCase {
    const char* text;
    std::vector<std::string> calls;
};

class TriggerCell : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(TriggerCell, SoundsWhatTheLookupRuleDecodes) {
    Recorder r;
    triggerCell(GetParam().text, r);
    EXPECT_EQ(r.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TriggerCell,
    ::testing::Values(
        // The volume step sets -500 per step before the entry starts.
        TriggerCase{"Kick      [9]", {"volume 1 -4500", "play 1"}},
        TriggerCase{"Kick      [0]", {"volume 1 0", "play 1"}},
        TriggerCase{"Kick      [ ]", {"volume 1 -500", "play 1"}},   // a blank counts as 1
        TriggerCase{"SNARE     [3]", {"volume 3 -1500", "play 3"}},  // names are case-blind
        TriggerCase{"Tamb      [5]", {"volume 16 -2500", "play 16"}},
        TriggerCase{"Sample1", {"restart 1"}}, TriggerCase{"sample32", {"restart 32"}},
        TriggerCase{"Sample3", {"restart 3"}},
        // No instrument: nothing at all.
        TriggerCase{"", {}}, TriggerCase{"Sample33", {}}, TriggerCase{"Kick", {}},
        TriggerCase{"Kick      [9]]", {}}, TriggerCase{"Bongo     [4]", {}}));

TEST(TriggerCellErrors, AnUndecodableTextRaisesBeforeAnythingSounds) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"Kick      [x]", "'x' is not a valid integer value"},
        {"Kick      [", "'' is not a valid integer value"},  // 11 characters: no digit at all
        {"Sample12345", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Recorder r;
        try {
            triggerCell(c.text, r);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_THAT(r.calls, IsEmpty());
    }
}

TEST(TriggerCellErrors, AMissingKitEntryOrASlotWithoutSoundIsSilent) {
    Recorder r;
    r.missingKit = {3};
    r.silentSlots = {5};
    EXPECT_NO_THROW(triggerCell("Snare     [2]", r));
    EXPECT_NO_THROW(triggerCell("Sample5", r));
    triggerCell("Sample6", r);  // the next cell sounds as usual
    EXPECT_THAT(r.calls, ElementsAre("restart 6"));
}

TEST(PreviewPosition, TakesTheChooserTextAsItStandsAndFallsBackToTheTambourine) {
    struct Case {
        const char* text;
        int position;
    };
    const Case cases[] = {
        {"", 0},
        {"Kick      [ ]", 1},
        {"kick      [ ]", 1},
        {"Tamb      [ ]", 16},
        {"Sample20", 36},
        {"Bongo", 16},
        // The volume digit is not decoded here: this is no instrument list entry.
        {"Kick      [9]", 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(previewPosition(c.text), c.position) << c.text;
}

TEST(PreviewChooser, PlaysTheKitEntryAtItsOwnVolumeAndRestartsSlots) {
    Recorder r;
    previewChooser("Kick      [ ]", r);
    previewChooser("Made up", r);
    previewChooser("Sample7", r);
    previewChooser("", r);
    EXPECT_THAT(r.calls, ElementsAre("play 1", "play 16", "restart 7"));
}

TEST(PreviewChooser, PassesOverFailures) {
    Recorder r;
    r.missingKit = {16};
    r.silentSlots = {1};
    EXPECT_NO_THROW(previewChooser("Bongo", r));
    EXPECT_NO_THROW(previewChooser("Sample1", r));
    EXPECT_THAT(r.calls, IsEmpty());
}

}  // namespace
}  // namespace valdorin::playback
