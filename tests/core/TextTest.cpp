#include "core/Text.h"

#include <gtest/gtest.h>

#include "core/Errors.h"

namespace valdorin {
namespace {

TEST(StrToInt, AcceptsSignedDecimalWithLeadingBlanks) {
    EXPECT_EQ(strToInt("16"), 16);
    EXPECT_EQ(strToInt("-300"), -300);
    EXPECT_EQ(strToInt("+7"), 7);
    EXPECT_EQ(strToInt("  42"), 42);
    EXPECT_EQ(strToInt("-2147483648"), -2147483648LL);
}

TEST(StrToInt, RejectsWithTheInvalidNumberMessage) {
    for (const char* bad : {"", " ", "12a", "4 ", "x", "2147483648", "1.5", "-"}) {
        try {
            strToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(NearInt, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(nearInt(112.5), 112);
    EXPECT_EQ(nearInt(113.5), 114);
    EXPECT_EQ(nearInt(-0.5), 0);
    EXPECT_EQ(nearInt(51.43), 51);
}

TEST(SameText, IgnoresCaseOfAccentedLettersToo) {
    EXPECT_TRUE(sameText("SHORT KICK[ ]", "short kick[ ]"));
    EXPECT_TRUE(sameText("\xE9t\xE9", "\xC9T\xC9"));  // été / ÉTÉ in Windows-1252
    EXPECT_FALSE(sameText("Kick", "Kick "));
}

TEST(ShortName, CutsExtensionThenKeepsEightCharacters) {
    EXPECT_EQ(shortName("/home/u/LongSampleName.wav"), "LongSamp");
    EXPECT_EQ(shortName("C:\\x\\Blank.wav"), "Blank");
    EXPECT_EQ(shortName("a.w"), "");
    EXPECT_EQ(fileNamePart("C:kick.wav"), "kick.wav");
}

TEST(Utf8, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
    EXPECT_EQ(toUtf8("\x80"), "\xE2\x82\xAC");  // the euro sign
}

}  // namespace
}  // namespace valdorin
