// The shared output: sounds placed at a tick's nominal time, the null output, and the fallback
// when PortAudio finds no device.

#include "support/AudioCapture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "platform/AudioTestSupport.h"
#include "platform/audio/AudioFileStream.h"
#include "platform/audio/WaveList.h"

namespace valdorin::audio {
namespace {

using namespace testing;
namespace stdfs = std::filesystem;
constexpr int kRate = 48000;

// Rising edges of a click track: the frames at which a sound begins after silence.
std::vector<int> onsets(const std::vector<float>& x) {
    std::vector<int> at;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > 0.1f && (i == 0 || std::fabs(x[i - 1]) <= 0.1f))
            at.push_back(static_cast<int>(i));
    return at;
}

class TickPlacementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        installCaptureOutput(kRate);
        device.Initialize();
        auto& e = kit.AddEntry();
        e.Wave = kitWave(std::vector<float>(20, 0.5f), 1, kRate, 16);  // a short click
        click = &e;
        dir = stdfs::temp_directory_path() /
              ("valdorin-ticks-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        stdfs::create_directories(dir);
    }
    void TearDown() override { stdfs::remove_all(dir); }

    SoundDevice device;
    kits::TWaveCollection kit;
    WaveList list{device, kit};
    kits::TWaveCollectionItem* click = nullptr;
    stdfs::path dir;
};

// A 16-step pattern whose ticks the UI thread handles at ragged moments: each step is started
// somewhere in the block before it, and still sounds on its exact frame.
TEST_F(TickPlacementTest, SoundsOfATickBeginAtItsNominalFrame) {
    for (const int step : {96, 2880, 5760, 13440}) {  // 2, 60, 120 and 280 ms
        installCaptureOutput(kRate);
        const int first = 1000;
        std::vector<float> out;
        for (int k = 0; k < 16; ++k) {
            const std::int64_t at = first + std::int64_t{k} * step;
            // Render up to somewhere short of the step, as the output would have by the time
            // the UI thread gets round to the tick.
            const int upTo = static_cast<int>(at - (k * 37) % std::min(step, 256));
            const auto part = renderCapture(upTo - static_cast<int>(out.size() / 2));
            out.insert(out.end(), part.begin(), part.end());
            const TickScope scope(captureTimeForFrame(at));
            list.PlayEntry(*click);
        }
        const auto tail = renderCapture(step + 100);
        out.insert(out.end(), tail.begin(), tail.end());
        const auto got = onsets(channel(out, 0));
        ASSERT_EQ(got.size(), 16u) << "step " << step;
        for (int k = 0; k < 16; ++k)
            EXPECT_EQ(got[k], first + k * step) << "step " << step;
    }
}

TEST_F(TickPlacementTest, AStreamRestartedInATickBeginsAtItsNominalFrame) {
    const auto path = dir / "click.wav";
    writeWav(path, std::vector<float>(30, 0.5f), 1, kRate);
    AudioFileStream stream(device);
    stream.SetFileName(path.string());
    auto out = renderCapture(100);
    {
        const TickScope scope(captureTimeForFrame(777));
        stream.SetPosition(0);
        stream.Play();
    }
    {
        const TickScope scope(captureTimeForFrame(1500));
        stream.SetPosition(0);
        stream.Play();
    }
    const auto rest = renderCapture(2000);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(onsets(channel(out, 0)), (std::vector<int>{777, 1500}));
}

TEST_F(TickPlacementTest, ATickWhoseTimeHasPassedSoundsAtOnce) {
    renderCapture(5000);
    {
        const TickScope scope(captureTimeForFrame(1000));
        list.PlayEntry(*click);
    }
    EXPECT_EQ(onsets(channel(renderCapture(1000), 0)), std::vector<int>{0});
}

TEST_F(TickPlacementTest, OutsideATickASoundBeginsWithTheNextBlock) {
    renderCapture(123);
    list.PlayEntry(*click);
    EXPECT_EQ(onsets(channel(renderCapture(1000), 0)), std::vector<int>{0});
    EXPECT_FALSE(currentTickStamp().has_value());
}

TEST_F(TickPlacementTest, TickScopesNest) {
    const auto outer = captureTimeForFrame(100);
    const TickScope a(outer);
    {
        const TickScope b(captureTimeForFrame(200));
        EXPECT_EQ(currentTickStamp(), captureTimeForFrame(200));
    }
    EXPECT_EQ(currentTickStamp(), outer);
}

// Without a sound card the program behaves as with one: sounds start, play and end in real
// time, and nothing raises.
class NoSoundCardTest : public ::testing::TestWithParam<const char*> {
  protected:
    void TearDown() override { ::setenv("VALDORIN_AUDIO", "null", 1); }
};

TEST_P(NoSoundCardTest, SoundsPlayAndEndWithoutADevice) {
    ::setenv("VALDORIN_AUDIO", GetParam(), 1);
    installDefaultOutput();
    const OutputKind kind = outputKind();
    if (std::string(GetParam()) == "null") {
        EXPECT_EQ(kind, OutputKind::Null);
    } else {
        EXPECT_TRUE(kind == OutputKind::PortAudio || kind == OutputKind::Null);
    }
    EXPECT_EQ(SoundDevice::OutputIsNull(), kind == OutputKind::Null);
    if (kind == OutputKind::Null) {
        EXPECT_EQ(SoundDevice::OutputDescription(), "no sound device");
    }
    EXPECT_GT(outputRate(), 0);

    SoundDevice device;
    device.Initialize();
    kits::TWaveCollection kit;
    auto& e = kit.AddEntry();
    e.Wave = kitWave(sine(441, 22050, 441), 1, 22050, 8);
    WaveList list(device, kit);
    list.Prepare();
    list.PlayEntry(e);

    const auto path =
        stdfs::temp_directory_path() / ("valdorin-null-" + std::to_string(::getpid()) + ".wav");
    writeWav(path, sine(441, 44100, 2205), 1, 44100);
    AudioFileStream stream(device);
    stream.SetFileName(path.string());
    stream.Play();
    EXPECT_TRUE(stream.Playing());
    // A twentieth of a second of sound ends by itself; give it far longer than it needs.
    for (int i = 0; i < 1000 && stream.Playing(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(stream.Playing());
    EXPECT_GE(renderedFrames(), 2205);
    stdfs::remove(path);
    device.Finalize();
}

INSTANTIATE_TEST_SUITE_P(Outputs, NoSoundCardTest, ::testing::Values("null", "portaudio"));

}  // namespace
}  // namespace valdorin::audio
