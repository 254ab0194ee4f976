// Song files: the layout byte for byte, the reading rule with its tolerant records, and the slot
// steps of Open Song over a recording set of sample slots.

#include "song/SongFile.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "core/Errors.h"
#include "kits/SampleSlots.h"
#include "platform/FileSystem.h"
#include "support/ProgramDir.h"

namespace valdorin::song {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Slots that note every call in order, and refuse the files a test names.
class RecordingSlots : public kits::SampleSlots, public kits::SlotView {
  public:
    struct Slot {
        std::string file = "Blank.wav";
        int hz = 44100;
        int pan = 0;
        std::string caption;
    };
    std::map<int, Slot> slots;
    std::set<std::string> unreadable;
    std::vector<std::string> calls;
    int pitchBar = -1;

    std::string fileName(int s) const override {
        auto it = slots.find(s);
        return it == slots.end() ? "Blank.wav" : it->second.file;
    }
    void setFileName(int s, const std::string& path) override {
        calls.push_back("file " + std::to_string(s));
        if (unreadable.count(path)) {
            slots[s].file.clear();
            throwCannotOpen(path);
        }
        slots[s].file = path;
        slots[s].pan = 0;
    }
    int frequency(int s) const override {
        auto it = slots.find(s);
        return it == slots.end() ? 44100 : it->second.hz;
    }
    void setFrequency(int s, int hz) override { slots[s].hz = hz; }
    int pan(int s) const override {
        auto it = slots.find(s);
        return it == slots.end() ? 0 : it->second.pan;
    }
    void setPan(int s, int pan) override { slots[s].pan = pan; }
    int volume(int) const override { return 0; }
    void setBasePitch(int, int) override { calls.push_back("base pitch"); }
    void restart(int) override {}
    void stop(int) override {}
    void setPickerCaption(int s, const std::string& caption) override {
        slots[s].caption = caption;
    }
    void enableImporterControls() override { calls.push_back("enable"); }
    void setPitchBar(int hz) override { pitchBar = hz; }
};

SongSlots exampleSlots() {
    SongSlots slots;
    for (int s = 1; s <= kSongSlotCount; ++s)
        slots[s - 1] = {"Blank.wav", 44100, 0};
    slots[0] = {"C:\\Sounds\\Clap.wav", 22050, -300};
    slots[1] = {"/home/me/Long sample name.wav", 11025, 1500};
    return slots;
}

TEST(SongFile, ThreeEntriesGiveFortyThreeLinesByteForByte) {
    const auto lines = songFileLines({"A", "B", "A"}, exampleSlots());
    ASSERT_EQ(lines.size(), 43u);
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 13),
                ElementsAre("A", "B", "A", "<*sam1", "C:\\Sounds\\Clap.wav", "22050", "//", "-300",
                            "<*sam2", "/home/me/Long sample name.wav", "11025", "//", "1500"));
    EXPECT_EQ(lines[38], "<*sam8");
    EXPECT_EQ(lines[42], "0");

    testing::ProgramDir dir(testing::ProgramDir::Seed::Empty);
    fs::writeLines(dir / "Song.sng", lines);
    const std::string bytes = dir.read("Song.sng");
    EXPECT_EQ(bytes.substr(0, 25), "A\r\nB\r\nA\r\n<*sam1\r\nC:\\Sound");
    EXPECT_EQ(bytes.substr(bytes.size() - 9), "\r\n//\r\n0\r\n");
}

TEST(SongFile, WrittenFileReadsBackWhole) {
    const auto read = readSongLines(songFileLines({"A", "B", "A"}, exampleSlots()));
    EXPECT_THAT(read.entries, ElementsAre("A", "B", "A"));
    ASSERT_EQ(read.records.size(), 8u);
    EXPECT_EQ(read.records[0].fileName, "C:\\Sounds\\Clap.wav");
    EXPECT_EQ(read.records[0].frequency, "22050");
    EXPECT_EQ(read.records[0].pan, "-300");
    EXPECT_EQ(read.records[7].fileName, "Blank.wav");
}

TEST(SongFile, EmptyPlayListStillStoresTheSlots) {
    const auto lines = songFileLines({}, exampleSlots());
    EXPECT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines[0], "<*sam1");
    EXPECT_TRUE(readSongLines(lines).entries.empty());
}

struct ReadCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> entries;
    // file, frequency, pan ("-" for a record without one)
    std::vector<std::array<std::string, 3>> records;
};

class SongReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SongReading, FollowsTheReadingRule) {
    const ReadCase& c = GetParam();
    const auto read = readSongLines(c.lines);
    EXPECT_THAT(read.entries, ElementsAreArray(c.entries));
    ASSERT_EQ(read.records.size(), c.records.size());
    for (std::size_t i = 0; i < c.records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.records[i].fileName, c.records[i][0]);
        EXPECT_EQ(read.records[i].frequency, c.records[i][1]);
        EXPECT_EQ(read.records[i].pan.value_or("-"), c.records[i][2]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SongReading,
    ::testing::Values(
        ReadCase{"PlayListOnly", {"A", "B", "<", "*x", ""}, {"A", "B", "<", "*x", ""}, {}},
        ReadCase{"EmptyFile", {}, {}, {}},
        ReadCase{"RecordsWithoutPans",
                 {"A", "<*sam1", "a.wav", "100", "<*sam2", "b.wav", "200"},
                 {"A"},
                 {{"a.wav", "100", "-"}, {"b.wav", "200", "-"}}},
        ReadCase{"MixedRecords",
                 {"<*", "a.wav", "100", "//", "-5", "b.wav", "200", "c.wav", "300", "//", "7"},
                 {},
                 // Only the first marker is looked at: a record starts where the last ended.
                 {{"a.wav", "100", "-5"}, {"200", "c.wav", "-"}, {"//", "7", "-"}}},
        ReadCase{"OnlyFirstTwoCharactersOfTheMarker",
                 {"X", "<*anything at all", "a.wav", "1", "//", "2"},
                 {"X"},
                 {{"a.wav", "1", "2"}}},
        ReadCase{"FileEndsAfterTheFileName", {"<*sam1", "a.wav"}, {}, {{"a.wav", "", "-"}}},
        ReadCase{
            "FileEndsAfterThePanMark", {"<*sam1", "a.wav", "5", "//"}, {}, {{"a.wav", "5", ""}}},
        ReadCase{"MarkerAsLastLine", {"A", "<*sam1"}, {"A"}, {}},
        ReadCase{"LaterMarkersAreEntriesOnlyBeforeTheFirst",
                 {"A", "<*sam1", "x.wav", "1", "//", "0", "<*sam2", "y.wav", "2"},
                 {"A"},
                 {{"x.wav", "1", "0"}, {"y.wav", "2", "-"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SongReading, MoreThanThirtyTwoRecordsFillThirtyTwoSlots) {
    std::vector<std::string> lines = {"A"};
    for (int s = 1; s <= 40; ++s)
        for (const std::string& line : {slotMarker(s), "s" + std::to_string(s) + ".wav",
                                        std::to_string(s), std::string("//"), std::to_string(-s)})
            lines.push_back(line);
    const auto read = readSongLines(lines);
    ASSERT_EQ(read.records.size(), 32u);
    EXPECT_EQ(read.records[31].fileName, "s32.wav");
}

TEST(SongReading, HoldsNoMoreThanTheFileHas) {
    // A million markers: records stop at 32, entries are the lines before.
    std::vector<std::string> lines(1'000'000, "<*sam");
    const auto read = readSongLines(lines);
    EXPECT_TRUE(read.entries.empty());
    EXPECT_EQ(read.records.size(), 32u);
}

// ---- Open Song's slot steps ----

TEST(SongRecords, SetFileCaptionFrequencyControlsAndPanInOrder) {
    RecordingSlots slots;
    slots.slots[9] = {"/keep/nine.wav", 8000, 77, "nine"};
    applySongRecords(readSongLines(songFileLines({"A"}, exampleSlots())).records, slots, &slots);
    EXPECT_EQ(slots.slots[1].file, "C:\\Sounds\\Clap.wav");
    EXPECT_EQ(slots.slots[1].caption, "Clap");
    EXPECT_EQ(slots.slots[1].hz, 22050);
    EXPECT_EQ(slots.slots[1].pan, -300);
    EXPECT_EQ(slots.slots[2].caption, "Long sam");  // at most 8 characters
    EXPECT_EQ(slots.slots[2].pan, 1500);
    EXPECT_EQ(slots.slots[3].caption, "Blank");
    EXPECT_EQ(slots.pitchBar, 11025);  // the last sample that was not Blank.wav
    // Slot 9 on is not in a song file.
    EXPECT_EQ(slots.slots[9].file, "/keep/nine.wav");
    EXPECT_EQ(slots.slots[9].pan, 77);
    // The importer's controls only for real samples; base pitch is not touched.
    EXPECT_EQ(std::count(slots.calls.begin(), slots.calls.end(), "enable"), 2);
    EXPECT_EQ(std::count(slots.calls.begin(), slots.calls.end(), "base pitch"), 0);
}

TEST(SongRecords, AllBlankLeavesTheImporterControlsAlone) {
    RecordingSlots slots;
    SongSlots blank;
    for (auto& s : blank)
        s = {"Blank.wav", 44100, 0};
    applySongRecords(readSongLines(songFileLines({}, blank)).records, slots, &slots);
    EXPECT_EQ(std::count(slots.calls.begin(), slots.calls.end(), "enable"), 0);
    EXPECT_EQ(slots.pitchBar, -1);
}

TEST(SongRecords, RecordsWithoutPansKeepThePans) {
    RecordingSlots slots;
    slots.slots[1].pan = 250;
    // Opening a file resets the pan to 0 (the importer's rule); a record without a pan leaves
    // what the open gave.
    applySongRecords(readSongLines({"<*sam1", "a.wav", "100"}).records, slots, &slots);
    EXPECT_EQ(slots.slots[1].hz, 100);
    EXPECT_EQ(slots.slots[1].pan, 0);
}

struct FailureCase {
    const char* name;
    std::vector<std::string> lines;
    std::string message;
    std::string slot2File;  // what slot 2 holds after the failure
    int slot3Hz;            // slot 3 is never reached
};

class SongRecordFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SongRecordFailure, StopsWithTheEarlierSlotsSet) {
    const FailureCase& c = GetParam();
    RecordingSlots slots;
    slots.unreadable = {"missing.wav"};
    slots.slots[3] = {"/three.wav", 333, 0, ""};
    try {
        applySongRecords(readSongLines(c.lines).records, slots, &slots);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(slots.slots[1].file, "one.wav");
    EXPECT_EQ(slots.slots[1].hz, 1);
    EXPECT_EQ(slots.slots[2].file, c.slot2File);
    EXPECT_EQ(slots.slots[3].hz, 333);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SongRecordFailure,
    ::testing::Values(FailureCase{"UnreadableFile",
                                  {"<*sam1", "one.wav", "1", "<*sam2", "missing.wav", "2", "<*sam3",
                                   "x.wav", "3"},
                                  "Cannot open file missing.wav",
                                  "",
                                  333},
                      FailureCase{"BadFrequency",
                                  {"<*sam1", "one.wav", "1", "<*sam2", "two.wav", "2x", "<*sam3",
                                   "x.wav", "3"},
                                  "'2x' is not a valid integer value",
                                  "two.wav",
                                  333},
                      FailureCase{"BadPan",
                                  {"<*sam1", "one.wav", "1", "<*sam2", "two.wav", "2", "//", "left",
                                   "<*", "x", "3"},
                                  "'left' is not a valid integer value",
                                  "two.wav",
                                  333},
                      FailureCase{"FileEndsBeforeTheFrequency",
                                  {"<*sam1", "one.wav", "1", "<*sam2", "two.wav"},
                                  "'' is not a valid integer value",
                                  "two.wav",
                                  333}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SongTitle, IsTheFileNameWithoutItsExtension) {
    EXPECT_EQ(songTitle("/home/me/songs/My Song.sng"), "My Song");
    EXPECT_EQ(songTitle("C:\\Songs\\Beat.sng"), "Beat");
    EXPECT_EQ(songTitle("x.sng"), "x");
    EXPECT_EQ(songTitle("/a/b"), "");
}

}  // namespace
}  // namespace valdorin::song
