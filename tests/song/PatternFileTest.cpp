#include "song/PatternFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include <unistd.h>

#include "core/Errors.h"
#include "core/GridTable.h"

namespace valdorin::song {
namespace {

const fs::Path kPatterns = fs::Path(VALDORIN_TEST_DATA) / "patterns";

std::string fileBytes(const fs::Path& path) {
    const auto bytes = fs::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The grid as Update Time and the editing commands leave it: header row, channel headers and
// labels 1 to L+1 (the last in the hidden row L+2).
GridTable patternGrid(const std::string& name, int length, int beat) {
    GridTable grid;
    grid.setCell(0, 0, name);
    grid.setCell(1, 0, "Length:");
    grid.setCell(2, 0, std::to_string(length));
    grid.setCell(3, 0, "Time:");
    grid.setCell(4, 0, std::to_string(beat));
    grid.setRowCount(length + 2);
    labelSteps(grid, beat, length + 1);
    writeChannelHeaders(grid);
    return grid;
}

SlotLines blankSlots() {
    SlotLines slots;
    for (auto& s : slots)
        s = {"Blank.wav", 22050};
    return slots;
}

// The 16-step pattern stored in Groove16.pat.
struct Groove {
    GridTable grid = patternGrid("Groove \xC9", 16, 4);
    SlotLines slots = blankSlots();
    Groove() {
        grid.setCell(1, 2, "Kick      [ ]");
        grid.setCell(1, 10, "Kick      [9]");
        grid.setCell(3, 6, "Snare     [1]");
        grid.setCell(6, 17, "Sample3");
        grid.setCell(2, 4, "Caf\xE9 typed");
        grid.setCell(5, 0, "\xE9t\xE9");
        grid.setCell(4, 18, "Tom1      [5]");  // left in the row after the last step
        slots[2] = {"C:\\Samples\\Snare 2.wav", 44100};
        slots[31] = {"/home/me/caf\xE9.wav", 11025};
    }
    std::vector<std::string> lines() const { return patternFileLines(grid, 16, 90, 2, slots); }
};

void expectError(const std::function<void()>& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

const std::string kEmptyNumber = "'' is not a valid integer value";

class PatternDir : public ::testing::Test {
  protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("valdorin_pattern_test_" + std::to_string(::getpid()) + "_" +
                std::to_string(counter++));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void touch(const std::string& name) { fs::writeFileAtomic(dir_ / name, std::string_view("x")); }
    fs::Path dir_;
};

// ---- Writing ----

TEST(PatternFileWrite, SixteenStepsMatchTheReferenceByteForByte) {
    const auto lines = Groove().lines();
    ASSERT_EQ(lines.size(), 199u);  // 7 x 19 + 66
    EXPECT_EQ(lines[2], "16");
    const std::string bytes = fs::joinLines(lines);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(bytes, fileBytes(kPatterns / "Groove16.pat"));
}

TEST(PatternFileWrite, Beat1MatchesTheLineByLineExample) {
    GridTable grid = patternGrid("Beat1", 4, 4);
    grid.setCell(1, 2, "Kick      [3]");
    const auto lines = patternFileLines(grid, 4, 60, 1, blankSlots());
    ASSERT_EQ(lines.size(), 115u);
    EXPECT_EQ(lines[0], "Beat1");
    EXPECT_EQ(lines[8], "Channel:1");
    EXPECT_EQ(lines[13], "Channel:6");
    EXPECT_EQ(lines[14], "1:0*");
    EXPECT_EQ(lines[15], "Kick      [3]");
    EXPECT_EQ(lines[42], "5:0*");  // row 6, beyond the row count
    EXPECT_EQ(lines[49], "60");
    EXPECT_EQ(lines[50], "1");
    EXPECT_EQ(lines[51], "Blank.wav");
    EXPECT_EQ(lines[114], "22050");
    EXPECT_EQ(fs::joinLines(lines), fileBytes(kPatterns / "Beat1.pat"));
}

TEST(PatternFileWrite, RefusesLengthsThatCouldNotBeReadBack) {
    const GridTable grid;
    for (int length : {-1, -3, kMaxPatternLength + 1, 2000000000}) {
        SCOPED_TRACE(length);
        expectError([&] { patternFileLines(grid, length, 60, 1, blankSlots()); },
                    "Pattern length " + std::to_string(length) + " cannot be saved");
    }
    EXPECT_EQ(patternFileLines(grid, 0, 60, 1, blankSlots()).size(), 7u * 3 + 66);
}

TEST_F(PatternDir, WritingReplacesTheFileWholeAndReadsBackIdentically) {
    const fs::Path path = dir_ / "Groove.pat";
    fs::writeFileAtomic(path, std::string_view("an older, longer file\r\n"));
    writePatternFile(path, Groove().lines());
    EXPECT_EQ(fileBytes(path), fileBytes(kPatterns / "Groove16.pat"));
    EXPECT_EQ(fs::readLines(path), Groove().lines());
}

// ---- Reading ----

TEST(PatternFileRead, LoadsTheReferenceIntoTheGrid) {
    const auto lines = fs::readLines(kPatterns / "Groove16.pat");
    GridTable grid;
    grid.setRowCount(34);
    grid.setCell(2, 25, "kept");  // beyond row L+2: loading leaves it
    const PatternHead head = readPattern(lines, grid, "Groove16.pat");
    EXPECT_EQ(head.length, 16);
    EXPECT_EQ(head.tempo, 90);
    EXPECT_EQ(head.loops, 2);
    EXPECT_EQ(grid.rowCount(), 18);
    EXPECT_EQ(grid.cell(2, 25), "kept");
    const Groove g;
    for (int r = 0; r <= 18; ++r)
        for (int c = 0; c < GridTable::kColumns; ++c)
            EXPECT_EQ(grid.cell(c, r), g.grid.cell(c, r)) << c << "," << r;
    EXPECT_EQ(grid.cell(2, 4), "Caf\xE9 typed");  // Windows-1252 bytes unchanged
    EXPECT_EQ(grid.cell(5, 0), "\xE9t\xE9");
    // Saved again, the same bytes.
    EXPECT_EQ(fs::joinLines(patternFileLines(grid, 16, head.tempo, head.loops, g.slots)),
              fileBytes(kPatterns / "Groove16.pat"));
}

TEST(PatternFileRead, SlotLines) {
    const auto lines = fs::readLines(kPatterns / "Groove16.pat");
    EXPECT_EQ(slotFileName(lines, 16, 1), "Blank.wav");
    EXPECT_EQ(slotFileName(lines, 16, 3), "C:\\Samples\\Snare 2.wav");
    EXPECT_EQ(slotFrequency(lines, 16, 3), 44100);
    EXPECT_EQ(slotFileName(lines, 16, 32), "/home/me/caf\xE9.wav");
    EXPECT_EQ(slotFrequency(lines, 16, 32), 11025);
}

TEST(PatternFileRead, FileEndingAfterTheLoopCountReachesNoSlot) {
    auto lines = fs::readLines(kPatterns / "Beat1.pat");
    lines.resize(51);
    GridTable grid;
    EXPECT_EQ(readPattern(lines, grid, "Beat1.pat").loops, 1);
    for (int s = 1; s <= kSlotCount; ++s)
        EXPECT_FALSE(slotFileName(lines, 4, s)) << s;

    lines.push_back("C:\\x.wav");  // slot 1's name without its frequency line
    EXPECT_EQ(slotFileName(lines, 4, 1), "C:\\x.wav");
    expectError([&] { slotFrequency(lines, 4, 1); }, kEmptyNumber);
    EXPECT_FALSE(slotFileName(lines, 4, 2));
}

std::vector<std::string> beat1With(int index, std::string text) {
    auto lines = fs::readLines(kPatterns / "Beat1.pat");
    lines[index] = std::move(text);
    return lines;
}

TEST(PatternFileRead, BadNumbersGiveTheInvalidNumberError) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::string message;
    };
    const Case cases[] = {
        {"length", beat1With(2, "four"), "'four' is not a valid integer value"},
        {"tempo", beat1With(49, "6O"), "'6O' is not a valid integer value"},
        {"loops", beat1With(50, ""), kEmptyNumber},
        {"empty file", {}, kEmptyNumber},
        {"two lines", {"Beat1", "Length:"}, kEmptyNumber},
        {"ends inside the grid block", std::vector<std::string>{"Beat1", "Length:", "4", "Time:"},
         kEmptyNumber},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GridTable grid;
        expectError([&] { readPattern(c.lines, grid, "Beat1.pat"); }, c.message);
    }
}

TEST(PatternFileRead, ShortFileKeepsTheRowsCopiedBeforeTheError) {
    auto lines = fs::readLines(kPatterns / "Beat1.pat");
    lines.resize(49);  // the grid block whole, the tempo line gone
    GridTable grid;
    expectError([&] { readPattern(lines, grid, "Beat1.pat"); }, kEmptyNumber);
    EXPECT_EQ(grid.rowCount(), 6);
    EXPECT_EQ(grid.cell(1, 2), "Kick      [3]");
    EXPECT_EQ(grid.cell(0, 6), "5:0*");

    lines.push_back("60");  // the loop count line gone
    GridTable again;
    expectError([&] { readPattern(lines, again, "Beat1.pat"); }, kEmptyNumber);
    EXPECT_EQ(again.cell(1, 2), "Kick      [3]");
}

TEST(PatternFileRead, HostileLengthsTouchNothing) {
    struct Case {
        std::string length;
        std::string message;
    };
    const Case cases[] = {
        {"2000000000", kEmptyNumber},  // more rows than the file holds
        {"2147483647", kEmptyNumber},  // 7(L+3) beyond 32 bits
        {"-1", "Pattern file Beat1.pat is damaged"},
        {"-2147483648", "Pattern file Beat1.pat is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        GridTable grid;
        grid.setCell(3, 3, "before");
        expectError([&] { readPattern(beat1With(2, c.length), grid, "Beat1.pat"); }, c.message);
        EXPECT_EQ(grid.rowCount(), 18);
        EXPECT_EQ(grid.cell(3, 3), "before");
        EXPECT_EQ(grid.cell(0, 0), "");
    }
}

TEST(PatternFileRead, LengthZeroIsAPatternOfNoSteps) {
    std::vector<std::string> lines(21);
    lines[0] = "Empty";
    lines[2] = "0";
    lines.push_back("140");
    lines.push_back("3");
    GridTable grid;
    const PatternHead head = readPattern(lines, grid, "Empty.pat");
    EXPECT_EQ(head.length, 0);
    EXPECT_EQ(head.tempo, 140);
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.cell(0, 0), "Empty");
}

TEST(PatternFileRead, ValuesAreReturnedAsStored) {
    GridTable grid;
    auto lines = beat1With(49, "500");
    lines[50] = "0";
    const PatternHead head = readPattern(lines, grid, "Beat1.pat");
    EXPECT_EQ(head.tempo, 500);  // the caller clamps
    EXPECT_EQ(head.loops, 0);    // and settles the loop count to 1
}

// ---- Names, paths and the library ----

TEST(PatternName, RejectsNamesThatAreNoSafeFileName) {
    const std::vector<std::string> names = {"a/b",        "../../etc/passwd",
                                            "a\\b",       ".",
                                            "..",         "C:x",
                                            "a*",         "a?",
                                            "say \"hi\"", "<b",
                                            "b>",         "a|b",
                                            "tab\there",  "nl\nx",
                                            "x\x7F",      std::string("nul\0x", 5)};
    for (const std::string& bad : names) {
        SCOPED_TRACE(bad);
        std::string shown = bad;  // control characters are shown as "?"
        for (char& c : shown) {
            if (static_cast<unsigned char>(c) < 32 || c == 127) {
                c = '?';
            }
        }
        expectError([&] { validatePatternName(bad); },
                    "'" + shown + "' is not a valid pattern name");
        EXPECT_THROW(patternPath("/tmp", bad), Error);
        EXPECT_THROW(findPatternFile("/tmp", bad), Error);
    }
}

TEST(PatternName, AcceptsOrdinaryNames) {
    for (const char* good : {"Beat1", "my beat", "\xE9t\xE9", "a.b", "...", "-x", "(1) [2]", ""})
        EXPECT_NO_THROW(validatePatternName(good)) << good;
}

TEST_F(PatternDir, PatternPathAddsTheExtensionInUtf8) {
    EXPECT_EQ(patternPath(dir_, "Beat1"), dir_ / "Beat1.pat");
    EXPECT_EQ(patternPath(dir_, "\xE9t\xE9"), dir_ / "\xC3\xA9t\xC3\xA9.pat");
}

TEST_F(PatternDir, FindsAnExistingFileWithoutRegardToCase) {
    touch("x.PAT");
    touch("\xC3\x89t\xC3\x89.pat");  // ÉtÉ
    EXPECT_EQ(findPatternFile(dir_, "x"), dir_ / "x.PAT");
    EXPECT_EQ(findPatternFile(dir_, "X"), dir_ / "x.PAT");
    EXPECT_EQ(findPatternFile(dir_, "\xE9t\xE9"), dir_ / "\xC3\x89t\xC3\x89.pat");
    EXPECT_FALSE(findPatternFile(dir_, "y"));
    touch("x.pat");
    EXPECT_EQ(findPatternFile(dir_, "x"), dir_ / "x.pat");  // the exact name first
}

TEST(PatternLibrary, BlankFirstThenCaseBlind) {
    std::vector<std::string> names = {"beat", "Zed", "<Blank>", "1st", "Alpha", "BEAT2", "alpha0"};
    std::stable_sort(names.begin(), names.end(), librarySortLess);
    EXPECT_EQ(names, (std::vector<std::string>{"<Blank>", "1st", "Alpha", "alpha0", "beat", "BEAT2",
                                               "Zed"}));
    EXPECT_FALSE(librarySortLess("<Blank>", "<Blank>"));
    EXPECT_TRUE(librarySortLess("<Blank>", "!"));
    EXPECT_FALSE(librarySortLess("0", "<Blank>"));
}

TEST(PatternLibrary, InsertPositionKeepsTheOrder) {
    const std::vector<std::string> library = {"<Blank>", "Alpha", "beat", "Zed"};
    EXPECT_EQ(libraryInsertPosition(library, "BEAT"), 3u);  // after the entry it equals
    EXPECT_EQ(libraryInsertPosition(library, "1st"), 1u);
    EXPECT_EQ(libraryInsertPosition(library, "zz"), 4u);
    EXPECT_EQ(libraryInsertPosition(library, "Bz"), 3u);
    EXPECT_EQ(libraryInsertPosition({}, "a"), 0u);
}

}  // namespace
}  // namespace valdorin::song
