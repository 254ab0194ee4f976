#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "core/Errors.h"

namespace valdorin::fs {
namespace {

class FileLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vfs-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) {
        const auto bytes = readFile(dir / name);
        return std::string(bytes.begin(), bytes.end());
    }
    Path dir;
};

TEST_F(FileLayer, FindsNamesWithoutRegardToLetterCasePreferringTheExactOne) {
    put("blank.wav", "lower");
    EXPECT_EQ(findCaseBlind(dir, "Blank.wav"), dir / "blank.wav");
    EXPECT_EQ(resolveCaseBlind(dir / "BLANK.WAV"), dir / "blank.wav");
    put("Blank.wav", "exact");
    EXPECT_EQ(findCaseBlind(dir, "Blank.wav"), dir / "Blank.wav");
    EXPECT_FALSE(findCaseBlind(dir, "Missing.wav"));
    EXPECT_EQ(resolveCaseBlind(dir / "Missing.wav"), dir / "Missing.wav");
}

TEST_F(FileLayer, ListsPatternFilesWhateverTheCaseOfTheirExtension) {
    put("b.pat", "");
    put("A.PAT", "");
    put("c.pat.txt", "");
    std::filesystem::create_directory(dir / "d.pat");
    EXPECT_EQ(listWithExtension(dir, ".pat"), (std::vector<std::string>{"A.PAT", "b.pat"}));
}

TEST_F(FileLayer, AFailedSaveLeavesTheOldFileWhole) {
    put("song.pat", "old contents");
    writeFileAtomic(dir / "song.pat", std::string_view("new"));
    EXPECT_EQ(get("song.pat"), "new");
    // A target that cannot be replaced: the error is raised and nothing is lost or left behind.
    std::filesystem::create_directory(dir / "taken");
    put("taken/inside", "x");
    EXPECT_THROW(writeFileAtomic(dir / "taken", std::string_view("y")), Error);
    EXPECT_EQ(get("taken/inside"), "x");
    EXPECT_THROW(writeFileAtomic(dir / "no such dir" / "f", std::string_view("y")), Error);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 2);  // song.pat and taken/: no temporary file stays behind
}

TEST_F(FileLayer, AnEncoderMaySeekBackThroughTheWritersDescriptor) {
    put("song.flac", "old");
    {
        AtomicFileWriter abandoned(dir / "song.flac");
        ASSERT_EQ(::write(abandoned.descriptor(), "half", 4), 4);
    }  // the encoder failed: no commit
    EXPECT_EQ(get("song.flac"), "old");
    {
        AtomicFileWriter writer(dir / "song.flac");
        ASSERT_EQ(::write(writer.descriptor(), "xxxx", 4), 4);
        ASSERT_EQ(::lseek(writer.descriptor(), 1, SEEK_SET), 1);  // a header filled in last
        ASSERT_EQ(::write(writer.descriptor(), "ew", 2), 2);
        writer.commit();
    }
    EXPECT_EQ(get("song.flac"), "xewx");
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1);  // no temporary file stays behind
}

TEST_F(FileLayer, ReadsOnlyRegularFiles) {
    EXPECT_THROW(readFile(dir), Error);
    EXPECT_THROW(readFile("/dev/zero"), Error);
    // A pipe nobody writes to would block the open itself.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_THROW(readFile(dir / "pipe"), Error);
    try {
        readFile(dir / "gone.dat");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "gone.dat").string());
    }
}

TEST_F(FileLayer, TheStreamingWriterReplacesTheFileOnlyOnCommit) {
    put("render.wav", "old");
    ::chmod((dir / "render.wav").c_str(), 0600);
    {
        AtomicFileWriter out(dir / "render.wav");
        out.write(std::string_view("head"));
        const std::vector<std::uint8_t> block(100000, 7);
        out.write(block);
        out.write(std::string_view(""));
        EXPECT_EQ(out.size(), 100004u);
        EXPECT_EQ(get("render.wav"), "old");  // nothing replaced before the commit
        out.commit();
        EXPECT_THROW(out.write(std::string_view("late")), Error);
    }
    const std::string now = get("render.wav");
    EXPECT_EQ(now.size(), 100004u);
    EXPECT_EQ(now.substr(0, 5), "head\x07");
    // The replaced file's permissions stay.
    EXPECT_EQ(
        std::filesystem::status(dir / "render.wav").permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Abandoned without a commit (an error in the caller): old file whole, nothing beside it.
    try {
        AtomicFileWriter out(dir / "render.wav");
        out.write(std::string_view("partial"));
        throw Error("cancelled");
    } catch (const Error&) {
    }
    EXPECT_EQ(get("render.wav"), now);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1);

    try {
        AtomicFileWriter out(dir / "no such dir" / "f.wav");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + (dir / "no such dir" / "f.wav").string());
    }
}

TEST_F(FileLayer, LinesEndWithCrLfAndReadBackFromEitherEnding) {
    writeLines(dir / "p.dat", {"0", "", "-300"});
    EXPECT_EQ(get("p.dat"), "0\r\n\r\n-300\r\n");
    EXPECT_EQ(readLines(dir / "p.dat"), (std::vector<std::string>{"0", "", "-300"}));
    put("unix.dat", "a\nb");
    EXPECT_EQ(readLines(dir / "unix.dat"), (std::vector<std::string>{"a", "b"}));
    put("bytes.dat", "\xE9t\xE9\r\n");
    EXPECT_EQ(readLines(dir / "bytes.dat"), (std::vector<std::string>{"\xE9t\xE9"}));
}

TEST_F(FileLayer, CopyWithoutOverwriteLeavesAnExistingTarget) {
    put("from", "new");
    put("to", "kept");
    EXPECT_FALSE(copyFile(dir / "from", dir / "to", false));
    EXPECT_EQ(get("to"), "kept");
    EXPECT_TRUE(copyFile(dir / "from", dir / "to", true));
    EXPECT_EQ(get("to"), "new");
    EXPECT_TRUE(removeFile(dir / "to"));
    EXPECT_FALSE(removeFile(dir / "to"));
}

}  // namespace
}  // namespace valdorin::fs
