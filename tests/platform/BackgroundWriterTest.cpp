// The background writer: the newest contents reach the file, a removal takes it away, and
// stopping drops what is still pending.

#include "platform/BackgroundWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace valdorin::fs {
namespace {

class Background : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vbw-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string contents(const Path& path) {
        const auto bytes = readFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
    Path dir;
};

TEST_F(Background, TheNewestContentsReachTheFileAndRemovalTakesItAway) {
    BackgroundWriter writer(dir / "copy.dat");
    for (int i = 0; i < 200; ++i)
        writer.write("version " + std::to_string(i));
    writer.flush();
    EXPECT_EQ(contents(dir / "copy.dat"), "version 199");
    EXPECT_EQ(writer.lastError(), "");
    writer.remove();
    writer.flush();
    EXPECT_FALSE(fileExists(dir / "copy.dat"));
    // Only the copy itself: no work file stays behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(Background, AFailedWriteIsReportedUntilOneSucceeds) {
    BackgroundWriter writer(dir / "missing dir" / "copy.dat");
    writer.write("x");
    writer.flush();
    EXPECT_NE(writer.lastError().find("Cannot create file"), std::string::npos);
    std::filesystem::create_directory(dir / "missing dir");
    writer.write("y");
    writer.flush();
    EXPECT_EQ(writer.lastError(), "");
    EXPECT_EQ(contents(dir / "missing dir" / "copy.dat"), "y");
}

TEST_F(Background, AfterStopNothingMoreIsWritten) {
    {
        BackgroundWriter writer(dir / "copy.dat");
        writer.write("kept");
        writer.flush();
        writer.stop();
        writer.write("late");
        writer.remove();
    }
    EXPECT_EQ(contents(dir / "copy.dat"), "kept");
}

}  // namespace
}  // namespace valdorin::fs
