#include "core/Tempo.h"

#include <gtest/gtest.h>

#include <string>

namespace valdorin {
namespace {

TEST(Tempo, StepIntervalAndBpmTable) {
    struct Row {
        int tempo;
        int intervalMs;
        const char* bpm;
    };
    const Row rows[] = {{1, 2, "7200"},
                        {30, 60, "240"},
                        {48, 96, "150"},
                        {60, 120, "120"},
                        {64, 128, "112"} /* 112.5 to the even 112 */,
                        {90, 180, "80"},
                        {120, 240, "60"},
                        {140, 280, "51"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.tempo);
        EXPECT_EQ(stepIntervalMs(r.tempo), r.intervalMs);
        EXPECT_EQ(bpmText(r.tempo), r.bpm);
    }
}

TEST(Tempo, ClampsToTheTrackBarRange) {
    EXPECT_EQ(clampTempo(0), 1);
    EXPECT_EQ(clampTempo(-50), 1);
    EXPECT_EQ(clampTempo(1), 1);
    EXPECT_EQ(clampTempo(140), 140);
    EXPECT_EQ(clampTempo(141), 140);
    EXPECT_EQ(clampTempo(2000000000), 140);
}

TEST(TimeSignature, AllEntriesGiveTheirLengthAndBeat) {
    struct Row {
        const char* entry;
        const char* length;
        const char* beat;
    };
    const Row rows[] = {
        {"16 | 4", "16", "4"},   {"16 | 8", "16", "8"},  {"16 | 16", "16", "16"},
        {"8  | 8", "8", "8"},    {"8  | 4", "8", "4"},   {"8  | 2", "8", "2"},
        {"4  | 4", "4", "4"},    {"4  | 2 ", "4", "2"},  {"12 | 4 ", "12", "4"},
        {"24 | 4 ", "24", "4"},  {"24 | 8 ", "24", "8"}, {"32 | 16", "32", "16"},
        {"32 | 8 ", "32", "8"},  {"32 | 4 ", "32", "4"}, {"64 | 32", "64", "32"},
        {"64 | 16", "64", "16"}, {"64 | 8 ", "64", "8"}, {"64 | 4 ", "64", "4"},
        {"3  | 3 ", "3", "3"},   {"9  | 3 ", "9", "3"},  {"12 | 3 ", "12", "3"},
        {"15 | 3 ", "15", "3"},  {"7  | 4", "7", "4"},   {"7  | 7", "7", "7"},
    };
    const auto& entries = timeSignatures();
    ASSERT_EQ(entries.size(), std::size(rows));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i]);
        EXPECT_EQ(entries[i], rows[i].entry);  // trailing blanks included
        EXPECT_EQ(timeSignatureLength(entries[i]), rows[i].length);
        EXPECT_EQ(timeSignatureBeat(entries[i]), rows[i].beat);
    }
}

TEST(TimeSignature, TypedTextsGetWhatThePositionsGive) {
    struct Row {
        const char* typed;
        const char* length;
        const char* beat;
    };
    const Row rows[] = {
        {"12|4", "12", ""},           // no blanks: the text ends before character 6
        {"7", "7", ""},               // one character
        {"9 ", "9", ""},              // blank as character 2
        {" 5", " 5", ""},             // a leading blank stays (strToInt skips it)
        {"123", "12", ""},            // characters from 3 on go
        {"12345", "12", ""},          // exactly 5 characters: the beat is empty
        {"123456", "12", "6"},        // the beat starts at character 6
        {"16 | 4 xyz", "16yz", "4"},  // characters 9 on follow the length
        {"ab | cd", "ab", "cd"},      // not numbers: Update Time fails on them, not this
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        EXPECT_EQ(timeSignatureLength(r.typed), r.length);
        EXPECT_EQ(timeSignatureBeat(r.typed), r.beat);
    }
}

TEST(LoopCount, NeverSettlesBelowOne) {
    struct Row {
        const char* text;
        int loops;
    };
    const Row rows[] = {{"0", 1},   {"-3", 1},  {"", 1},
                        {"abc", 1}, {"1", 1},   {"25", 25},
                        {" 7", 7},  {"2.5", 1}, {"99999999", 99999999}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(normalizedLoopCount(r.text), r.loops);
    }
}

}  // namespace
}  // namespace valdorin
