// Qt's video player on real files: an AVI made by GStreamer's encoder plays, and a damaged one
// is reported. Skipped where the encoder or the player's backend is missing.

#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "platform/MediaPlayer.h"
#include "support/EventLoop.h"
#include "support/ProgramDir.h"

namespace valdorin::testing {
namespace {

using namespace std::chrono_literals;

// Two seconds of a test picture, motion JPEG in an AVI.
bool makeVideo(const std::filesystem::path& path) {
    const std::string command =
        "gst-launch-1.0 -q videotestsrc num-buffers=20 ! "
        "video/x-raw,width=64,height=48,framerate=10/1 ! jpegenc ! avimux ! filesink location='" +
        path.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::file_size(path) > 0;
}

// Qt 6.4's GStreamer backend reports the failures of the first player a process makes, not
// always those of later ones. The program makes one; ctest runs each case in its own process.
int playersMade = 0;

class QtVideo : public ::testing::Test {
  protected:
    void SetUp() override {
        firstPlayer = playersMade++ == 0;
        display.resize(436, 210);
        player = platform::createMediaPlayer();
        player->Display = &display;
        player->OnError = [this](const std::string& message) {
            ++errors;
            error = message;
        };
    }

    ProgramDir dir{ProgramDir::Seed::Empty};
    QWidget display;
    std::unique_ptr<platform::MediaPlayer> player;
    int errors = 0;
    std::string error;
    bool firstPlayer = false;
};

TEST_F(QtVideo, PlaysAnAviInTheDisplayArea) {
    if (!makeVideo(dir / "Valdorin.avi"))
        GTEST_SKIP() << "gst-launch-1.0 with videotestsrc, jpegenc and avimux is not installed";
    display.show();
    player->FileName = "Valdorin.avi";
    player->Open();
    player->Play();
    const bool moved = runUntil([&] { return player->Position() > 300 || errors > 0; }, 15s);
    if (errors > 0 && error.find("ould not") != std::string::npos)
        GTEST_SKIP() << "the media backend cannot play an AVI here: " << error;
    EXPECT_EQ(errors, 0) << error;
    EXPECT_TRUE(moved) << "the video did not advance";
    player->Stop();
}

TEST_F(QtVideo, ADamagedAviIsReportedOnce) {
    if (!firstPlayer)
        GTEST_SKIP() << "needs the first player of the process: run this case on its own";
    dir.write("Valdorin.avi", std::string("RIFF\x10\0\0\0AVI LIST", 16) + std::string(300, 'x'));
    player->FileName = "Valdorin.avi";
    player->Open();
    player->Play();
    EXPECT_TRUE(runUntil([&] { return errors > 0; }, 15s));
    EXPECT_FALSE(error.empty());
    runFor(300ms);
    EXPECT_EQ(errors, 1);
}

TEST_F(QtVideo, AMissingFileCannotBeOpened) {
    player->FileName = "Valdorin.avi";
    EXPECT_THROW(player->Open(), Error);
}

}  // namespace
}  // namespace valdorin::testing
