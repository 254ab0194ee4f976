#include "core/InstrumentList.h"

#include <gtest/gtest.h>

#include "core/Errors.h"

namespace valdorin {
namespace {

TEST(InstrumentList, HoldsTheFortyNineEntriesInOrder) {
    const auto& list = instrumentList();
    EXPECT_EQ(list[0], "");
    EXPECT_EQ(list[1], "Kick      [ ]");
    EXPECT_EQ(list[2], "Short Kick[ ]");
    EXPECT_EQ(list[4], "ClsHiat   [ ]");
    EXPECT_EQ(list[16], "Tamb      [ ]");
    EXPECT_EQ(list[17], "Sample1");
    EXPECT_EQ(list[48], "Sample32");
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(list[i].size(), 13u) << i;
}

TEST(InstrumentList, PositionIsCaseBlindAndMinusOneWhenAbsent) {
    EXPECT_EQ(positionOf(""), 0);
    EXPECT_EQ(positionOf("snare     [ ]"), 3);
    EXPECT_EQ(positionOf("SAMPLE12"), 28);
    EXPECT_EQ(positionOf("Kick"), -1);
    EXPECT_EQ(positionOf("Sample33"), -1);
}

struct LookupCase {
    std::string text;
    int position;
    int volumeStep;
};

class LookupRule : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LookupRule, DecodesInstrumentAndVolumeStep) {
    const auto& c = GetParam();
    const Lookup l = lookupCell(c.text);
    EXPECT_EQ(l.position, c.position);
    if (isKitInstrument(c.position)) {
        EXPECT_EQ(l.volumeStep, c.volumeStep);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, LookupRule,
    ::testing::Values(LookupCase{"Kick      [ ]", 1, 1}, LookupCase{"Kick      [7]", 1, 7},
                      LookupCase{"KICK      [7]", 1, 7}, LookupCase{"Tamb      [9]", 16, 9},
                      LookupCase{"Snare     [0]", 3, 0}, LookupCase{"short kick[3]", 2, 3},
                      LookupCase{"Sample1", 17, 0}, LookupCase{"sample32", 48, 0},
                      LookupCase{"", 0, 0}, LookupCase{"Kick", -1, 0},
                      LookupCase{"Sample33", -1, 0}, LookupCase{"Kick      [1] extra", -1, 1}));

TEST(LookupRule, VolumeStepGivesMinusFiveHundredPerStep) {
    EXPECT_EQ(kitVolumeForStep(lookupCell("Kick      [ ]").volumeStep), -500);
    EXPECT_EQ(kitVolumeForStep(lookupCell("Tamb      [9]").volumeStep), -4500);
    EXPECT_EQ(kitVolumeForStep(lookupCell("Snare     [0]").volumeStep), 0);
}

TEST(LookupRule, UndecodableTextsRaiseTheInvalidNumberError) {
    const std::pair<std::string, std::string> cases[] = {
        {"Kick      [x]", "'x' is not a valid integer value"},
        {"Kick      [", "'' is not a valid integer value"},  // 11 characters: no character 12
    };
    for (const auto& [text, message] : cases) {
        try {
            lookupCell(text);
            ADD_FAILURE() << text;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

}  // namespace
}  // namespace valdorin
