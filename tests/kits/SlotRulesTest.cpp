#include "kits/SlotRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/Text.h"

namespace valdorin::kits {
namespace {

struct SemitoneCase {
    int base;
    int offset;
    int hz;
};

class Semitones : public ::testing::TestWithParam<SemitoneCase> {};

TEST_P(Semitones, FrequencyFollowsBasePitchAndWholeOffset) {
    const SemitoneCase c = GetParam();
    EXPECT_EQ(semitoneFrequency(c.base, c.offset), c.hz);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Semitones,
    ::testing::Values(SemitoneCase{22050, 100, 23361},   // one step up
                      SemitoneCase{22050, 200, 24750},   // two steps up
                      SemitoneCase{44100, -100, 41625},  // one step down
                      SemitoneCase{11025, 300, 13111},   // a new file after two steps, one more
                      SemitoneCase{22050, 1200, 44100},  // twelve steps double
                      SemitoneCase{22050, 0, 22050},
                      SemitoneCase{11025, -1200, 5512},         // 5512.5: the half goes to even
                      SemitoneCase{33075, -1200, 16538},        // 16537.5
                      SemitoneCase{0, 700, 0},                  // no base pitch yet
                      SemitoneCase{44100, 1200 * 40, INT_MAX},  // far beyond int: saturates
                      SemitoneCase{44100, INT_MIN / 2, 0}));

TEST(EmptySlot, IsTheFileNamePartBlankWavExactly) {
    EXPECT_TRUE(isEmptySlot("Blank.wav"));
    EXPECT_TRUE(isEmptySlot("C:\\Program Files\\Valdorin\\Blank.wav"));
    EXPECT_TRUE(isEmptySlot("/home/me/valdorin/Blank.wav"));
    EXPECT_TRUE(isEmptySlot("D:Blank.wav"));
    EXPECT_FALSE(isEmptySlot(""));  // a slot left without sound by a failed open
    EXPECT_FALSE(isEmptySlot("MyBlank.wav"));
    EXPECT_FALSE(isEmptySlot("Blank.wav.bak"));
    EXPECT_FALSE(isEmptySlot("C:\\Blank.wav\\kick.wav"));
}

TEST(ShortName, IsTheNameWithoutExtensionCutToEight) {
    EXPECT_EQ(shortName("LongSampleName.wav"), "LongSamp");
    EXPECT_EQ(shortName("C:\\Samples\\Snare 2.wav"), "Snare 2");
    EXPECT_EQ(shortName("/samples/Blank.wav"), "Blank");
}

class SlotFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "slots-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void touch(const char* name) { std::ofstream(dir / name) << "x"; }
    std::filesystem::path dir;
};

TEST_F(SlotFile, BareBlankWavIsTheProgramDirectorysFoundCaseBlind) {
    touch("BLANK.WAV");
    EXPECT_EQ(slotFilePath(dir, "Blank.wav"), dir / "BLANK.WAV");
    touch("Blank.wav");
    EXPECT_EQ(slotFilePath(dir, "Blank.wav"), dir / "Blank.wav");
}

TEST_F(SlotFile, MissingBlankWavStillPointsIntoTheProgramDirectory) {
    EXPECT_EQ(slotFilePath(dir, "Blank.wav"), dir / "Blank.wav");
}

TEST_F(SlotFile, OtherNamesAreAbsoluteOrInsideTheProgramDirectory) {
    EXPECT_EQ(slotFilePath(dir, "/elsewhere/Blank.wav"), "/elsewhere/Blank.wav");
    EXPECT_EQ(slotFilePath(dir, "/samples/kick.wav"), "/samples/kick.wav");
    EXPECT_EQ(slotFilePath(dir, "temp/Sample1.wav"), dir / "temp/Sample1.wav");
}

TEST(PickerLayout, SlotsStandInGroupsOfFour) {
    const std::pair<int, int> tops[] = {{1, 0},   {2, 25},  {3, 50},   {4, 75},   {5, 106},
                                        {8, 181}, {9, 212}, {28, 711}, {29, 742}, {32, 817}};
    for (auto [slot, top] : tops)
        EXPECT_EQ(pickerSlotTop(slot), top) << slot;
}

TEST(ApplicationTitle, KeepsTheFirstLetterAndMakesTheRestSmall) {
    EXPECT_EQ(applicationTitle("/usr/local/bin/valdorin"), "valdorin");
    EXPECT_EQ(applicationTitle("C:\\Program Files\\Valdorin\\VALDORIN.EXE"), "Valdorin");
    EXPECT_EQ(applicationTitle("my.Drum.Machine"), "my.drum");
    EXPECT_EQ(applicationTitle("\xC9"
                               "COLE.exe"),
              "\xC9"
              "cole");  // Windows-1252 capitals
    EXPECT_EQ(applicationTitle(".hidden"), ".hidden");
    EXPECT_EQ(applicationTitle(""), "");
}

}  // namespace
}  // namespace valdorin::kits
