// Compile song over real pattern files in a fresh program directory: the compiled layout line
// for line, where it starts, the tempo and loop rules, and what a failure leaves behind.

#include "playback/CompileSong.h"

#include <gmock/gmock.h>

#include "core/Errors.h"
#include "song/PatternFile.h"
#include "support/PatternFiles.h"
#include "support/ProgramDir.h"

namespace valdorin::playback {
namespace {

using ::testing::ElementsAre;

// Writes "<name>.pat" of `length` steps whose cell (c, r) reads "<name> c r", with the given
// tempo and loop lines exactly as they stand in the file.
void writePattern(const testing::ProgramDir& dir, const std::string& name, int length,
                  const std::string& tempo, const std::string& loops) {
    GridTable grid = testing::patternGrid(name, length);
    for (int r = 2; r <= length + 1; ++r)
        for (int c = 1; c <= GridTable::kChannels; ++c)
            grid.setCell(c, r, name + " " + std::to_string(c) + " " + std::to_string(r));
    auto lines = song::patternFileLines(grid, length, 1, 1, testing::blankSlotLines(44100));
    lines[static_cast<std::size_t>(song::tempoLineIndex(length))] = tempo;
    lines[static_cast<std::size_t>(song::loopLineIndex(length))] = loops;
    fs::writeLines(dir / (name + ".pat"), lines);
}

std::vector<std::string> cells(const std::string& name, int length) {
    std::vector<std::string> out;
    for (int r = 2; r <= length + 1; ++r)
        for (int c = 1; c <= GridTable::kChannels; ++c)
            out.push_back(name + " " + std::to_string(c) + " " + std::to_string(r));
    return out;
}

class RecordingView : public CompileView {
  public:
    std::vector<std::string> seen;
    void tempoRead(int tempo) override { seen.push_back("tempo " + std::to_string(tempo)); }
    void loopCountRead(int loops) override { seen.push_back("loops " + std::to_string(loops)); }
    void patternRead(const GridTable& grid) override { seen.push_back("name " + grid.cell(0, 0)); }
};

class CompileSongTest : public ::testing::Test {
  protected:
    testing::ProgramDir dir{testing::ProgramDir::Seed::Empty};
    GridTable grid;
    std::vector<std::string> out;
    RecordingView view;

    CompileResult compile(std::vector<std::string> playList, int selected = -1) {
        return compileSong({dir.path(), std::move(playList), selected}, grid, out, view);
    }
    std::string errorOf(std::vector<std::string> playList, int selected = -1) {
        try {
            compile(std::move(playList), selected);
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(CompileSongTest, ExamplePlayListGivesTheFortySevenLines) {
    writePattern(dir, "Intro", 2, "60", "2");
    writePattern(dir, "Verse", 3, "90", "1");
    grid.setRowCount(40);
    const CompileResult result = compile({"Intro", "Verse"});
    EXPECT_TRUE(result.compiled);
    EXPECT_EQ(result.selectAfter(), -1);

    std::vector<std::string> expected = {"//", "60"};
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& line : cells("Intro", 2))
            expected.push_back(line);
    expected.push_back("//");
    expected.push_back("90");
    for (const auto& line : cells("Verse", 3))
        expected.push_back(line);
    expected.push_back("%%%");
    ASSERT_EQ(out.size(), 47u);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(out[26], "//");
    EXPECT_EQ(out[46], "%%%");

    EXPECT_THAT(view.seen, ElementsAre("tempo 60", "loops 2", "name Intro", "tempo 90", "loops 1",
                                       "name Verse"));
    // The grid shows the last pattern's block, within the row count it had.
    EXPECT_EQ(grid.rowCount(), 40);
    EXPECT_EQ(grid.cell(0, 0), "Verse");
    EXPECT_EQ(grid.cell(1, 4), "Verse 1 4");
    EXPECT_EQ(grid.cell(0, 5), "4:3");  // row L+2 comes from the file too
}

TEST_F(CompileSongTest, StartsAtTheSelectedEntry) {
    for (const char* name : {"P1", "P2", "P3", "P4", "P5"})
        writePattern(dir, name, 1, "50", "1");
    const CompileResult result = compile({"P1", "P2", "P3", "P4", "P5"}, 2);
    EXPECT_EQ(result.start, 2);
    EXPECT_EQ(result.selectAfter(), 1);  // the second entry
    ASSERT_EQ(out.size(), 3u * 8 + 1);
    EXPECT_EQ(out[2], "P3 1 2");
    EXPECT_EQ(out[10], "P4 1 2");
    EXPECT_EQ(out[18], "P5 1 2");
}

TEST_F(CompileSongTest, EmptyPlayListLeavesTheCompiledSongAlone) {
    out = {"left over"};
    const CompileResult result = compile({});
    EXPECT_FALSE(result.compiled);
    EXPECT_THAT(out, ElementsAre("left over"));
    EXPECT_TRUE(view.seen.empty());
}

TEST_F(CompileSongTest, AppendsBehindWhatIsThere) {
    writePattern(dir, "A", 1, "60", "1");
    out = {"//", "60", "", "", "", "", "", "", "%%%"};
    compile({"A"});
    ASSERT_EQ(out.size(), 18u);
    EXPECT_EQ(out[9], "//");
}

struct RuleCase {
    const char* name;
    std::string tempo, loops;
    std::string tempoLine;
    int blockLines;  // of a 2-step pattern
    std::string loopsSeen;
};

class CompileRules : public CompileSongTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(CompileRules, TempoAndLoopCount) {
    const RuleCase& c = GetParam();
    writePattern(dir, "A", 2, c.tempo, c.loops);
    compile({"A"});
    ASSERT_EQ(static_cast<int>(out.size()), c.blockLines + 1);
    EXPECT_EQ(out[1], c.tempoLine);
    EXPECT_EQ(view.seen[0], "tempo " + c.tempoLine);
    EXPECT_EQ(view.seen[1], c.loopsSeen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompileRules,
    ::testing::Values(RuleCase{"LoopZeroPlaysOnce", "60", "0", "60", 14, "loops 1"},
                      RuleCase{"NegativeLoop", "60", "-3", "60", 14, "loops 1"},
                      RuleCase{"ThreeLoops", "60", "3", "60", 38, "loops 3"},
                      RuleCase{"Tempo200Is140", "200", "1", "140", 14, "loops 1"},
                      RuleCase{"Tempo0Is1", "0", "1", "1", 14, "loops 1"},
                      RuleCase{"BlanksBeforeNumbers", " 75", " 2", "75", 26, "loops 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CompileSongTest, MissingPatternStopsWithWhatWasCompiledKept) {
    writePattern(dir, "A", 1, "60", "1");
    const std::string message = errorOf({"A", "Gone", "A"});
    EXPECT_EQ(message, "Cannot open file " + fs::textFromPath(dir.path() / "Gone.pat"));
    EXPECT_EQ(out.size(), 8u);  // A's block, no end line
    EXPECT_EQ(out.back(), "A 6 2");
}

TEST_F(CompileSongTest, BadNumbersStopWithTheInvalidNumberError) {
    writePattern(dir, "A", 1, "60", "1");
    writePattern(dir, "BadTempo", 1, "fast", "1");
    writePattern(dir, "BadLoop", 1, "70", "twice");
    dir.write("Short.pat", "Short\r\nLength:\r\n");
    dir.write("BadLength.pat", "X\r\nLength:\r\nsixteen\r\n");
    EXPECT_EQ(errorOf({"A", "BadTempo"}), "'fast' is not a valid integer value");
    EXPECT_THAT(view.seen, ElementsAre("tempo 60", "loops 1", "name A"));
    view.seen.clear();
    // The tempo bar has taken the pattern's tempo before its loop line fails.
    EXPECT_EQ(errorOf({"BadLoop"}), "'twice' is not a valid integer value");
    EXPECT_THAT(view.seen, ElementsAre("tempo 70"));
    EXPECT_EQ(errorOf({"Short"}), "'' is not a valid integer value");
    EXPECT_EQ(errorOf({"BadLength"}), "'sixteen' is not a valid integer value");
}

TEST_F(CompileSongTest, EntriesThatAreNoPatternNamesNeverLeaveTheDirectory) {
    // A pattern beside the program directory, and one in a folder below it: neither may be read.
    testing::ProgramDir outside(testing::ProgramDir::Seed::Empty);
    writePattern(outside, "Evil", 1, "60", "1");
    std::filesystem::create_directory(dir / "sub");
    writePattern(dir, "A", 1, "60", "1");
    fs::writeLines(dir / "sub" / "In.pat", {});
    const std::string up = "../" + outside.path().filename().string() + "/Evil";
    for (const std::string& entry :
         {up, (outside.path() / "Evil").string(), std::string("sub/In"), std::string("sub\\In"),
          std::string(".."), std::string("."), std::string("C:Evil"), std::string("\\\\.\\Evil"),
          std::string("A\nB")}) {
        SCOPED_TRACE(entry);
        out.clear();
        const std::string message = errorOf({"A", entry});
        EXPECT_EQ(message.rfind("Cannot open file ", 0), 0u) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos);
        EXPECT_EQ(out.size(), 8u);
    }
}

TEST_F(CompileSongTest, DirectoryNamedLikeAPatternIsNoPattern) {
    std::filesystem::create_directory(dir / "Folder.pat");
    EXPECT_EQ(errorOf({"Folder"}).rfind("Cannot open file ", 0), 0u);
}

TEST_F(CompileSongTest, HugeLoopCountIsRefusedBeforeAnythingIsBuilt) {
    writePattern(dir, "A", 1, "60", "1");
    writePattern(dir, "Huge", 64, "60", "2000000000");
    EXPECT_EQ(errorOf({"A", "Huge"}),
              "The song is too long to be played (more than 1000000 lines)");
    EXPECT_EQ(out.size(), 8u);
}

TEST_F(CompileSongTest, FindsPatternFilesWithoutRegardToCase) {
    writePattern(dir, "beat", 1, "60", "1");
    compile({"BEAT"});
    EXPECT_EQ(out.size(), 9u);
}

}  // namespace
}  // namespace valdorin::playback
