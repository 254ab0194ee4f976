// File streams through the offline capture output (which waits for the reader thread, so the
// results do not depend on timing).

#include "platform/audio/AudioFileStream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "core/Errors.h"
#include "platform/AudioTestSupport.h"
#include "support/AudioCapture.h"

namespace valdorin::audio {
namespace {

using namespace testing;
namespace stdfs = std::filesystem;
constexpr int kRate = 48000;

class AudioFileStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = stdfs::temp_directory_path() /
              ("valdorin-stream-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        stdfs::create_directories(dir);
        installCaptureOutput(kRate);
        device.Initialize();
    }
    void TearDown() override { stdfs::remove_all(dir); }

    std::string file(const std::string& name, const std::vector<float>& samples, int channels,
                     int rate, int format = SF_FORMAT_PCM_16) {
        const stdfs::path p = dir / name;
        writeWav(p, samples, channels, rate, format);
        return p.string();
    }
    // A steady level, for gains and onsets.
    std::string levelFile(float level, int frames, int rate = kRate) {
        return file("level.wav", std::vector<float>(frames, level), 1, rate);
    }

    stdfs::path dir;
    SoundDevice device;
    AudioFileStream stream{device};
};

TEST_F(AudioFileStreamTest, OpeningAFileTakesItsFormatAndResetsTheSettings) {
    stream.SetFileName(file("a.wav", sine(441, 22050, 2205), 1, 22050, SF_FORMAT_PCM_U8));
    stream.SetPan(-2000);
    stream.SetVolume(-400);
    stream.SetFrequency(30000);
    stream.SetFileName(file("b.wav", sine(441, 11025, 2205, 0.5f, 2), 2, 11025));
    EXPECT_TRUE(stream.HasSound());
    EXPECT_EQ(stream.Format(), WaveFormat::pcm(11025, 2, 16));
    EXPECT_EQ(stream.Frequency(), 11025);
    EXPECT_EQ(stream.Pan(), 0);
    EXPECT_EQ(stream.Volume(), 0);
    EXPECT_FALSE(stream.Playing());
    EXPECT_EQ(stream.FileName(), (dir / "b.wav").string());
}

TEST_F(AudioFileStreamTest, ReadsEightToThirtyTwoBitAndFloatFiles) {
    const std::vector<std::pair<int, int>> formats = {{SF_FORMAT_PCM_U8, 8},
                                                      {SF_FORMAT_PCM_16, 16},
                                                      {SF_FORMAT_PCM_24, 24},
                                                      {SF_FORMAT_PCM_32, 32},
                                                      {SF_FORMAT_FLOAT, 32}};
    for (const auto& [format, bits] : formats) {
        stream.SetFileName(file("f" + std::to_string(format) + ".wav",
                                std::vector<float>(4800, 0.25f), 1, kRate, format));
        EXPECT_EQ(stream.Format().bitsPerSample, bits);
        stream.Play();
        EXPECT_NEAR(renderCapture(1000)[2 * 500], 0.25f, 0.01f) << bits << " bits";
    }
}

// Longer than the second kept in memory, so the reader thread's part is heard too.
TEST_F(AudioFileStreamTest, PlaysItsFileAtAChangedFrequencyOverTheRightLength) {
    const int rate = 44100;
    stream.SetFileName(file("tone.wav", sine(441, rate, 3 * rate), 1, rate));
    stream.SetFrequency(2 * rate);  // twice as fast: 1.5 s, an octave up
    stream.Play();
    const auto x = channel(renderCapture(2 * kRate), 0);
    EXPECT_NEAR(lastSound(x, 0.02f), 3 * kRate / 2, 10);
    EXPECT_NEAR(toneFrequency(x, 1000, kRate / 2, kRate), 882, 1.0) << "from memory";
    EXPECT_NEAR(toneFrequency(x, kRate, 3 * kRate / 2 - 1000, kRate), 882, 1.0)
        << "from the reader";
    EXPECT_FALSE(stream.Playing()) << "the end of the file stops the stream";
}

TEST_F(AudioFileStreamTest, AFrequencyChangeIsHeardAtOnceWhilePlaying) {
    stream.SetFileName(file("tone.wav", sine(480, kRate, 2 * kRate), 1, kRate));
    stream.Play();
    const auto before = channel(renderCapture(kRate / 2), 0);
    stream.SetFrequency(kRate / 2);
    const auto after = channel(renderCapture(kRate / 2), 0);
    EXPECT_NEAR(toneFrequency(before, 0, kRate / 2, kRate), 480, 0.5);
    EXPECT_NEAR(toneFrequency(after, 0, 2000, kRate), 240, 2.0);
}

TEST_F(AudioFileStreamTest, RestartingCutsThePreviousSound) {
    stream.SetFileName(file("ramp.wav", sine(100, kRate, 3 * kRate), 1, kRate));
    stream.Play();
    const auto first = renderCapture(kRate + 20000);  // well past the part kept in memory
    stream.SetPosition(0);
    stream.Play();
    const auto again = renderCapture(kRate + 20000);
    EXPECT_EQ(again, first) << "the restart plays the file from its start, alone";
    EXPECT_TRUE(stream.Playing());
}

TEST_F(AudioFileStreamTest, PlayOnAPlayingStreamLeavesItPlaying) {
    stream.SetFileName(file("tone.wav", sine(100, kRate, kRate / 2), 1, kRate));
    stream.Play();
    const auto a = renderCapture(1000);
    stream.Play();
    const auto b = renderCapture(1000);
    stream.SetPosition(0);
    stream.Play();
    const auto c = renderCapture(2000);
    EXPECT_NE(b, a);
    EXPECT_EQ(std::vector<float>(c.begin(), c.begin() + 2000), a);
    EXPECT_EQ(std::vector<float>(c.begin() + 2000, c.end()), b);
}

TEST_F(AudioFileStreamTest, StopSilencesAndPlayGoesOnFromThere) {
    stream.SetFileName(levelFile(0.25f, kRate));
    stream.Play();
    renderCapture(1000);
    stream.Stop();
    EXPECT_FALSE(stream.Playing());
    EXPECT_EQ(firstSound(renderCapture(1000)), -1);
    EXPECT_EQ(stream.Position(), 1000);
    stream.Play();
    EXPECT_FLOAT_EQ(renderCapture(100)[0], 0.25f);
}

TEST_F(AudioFileStreamTest, PanAndVolumeAreHeardAtOnce) {
    stream.SetFileName(levelFile(0.5f, kRate));
    stream.Play();
    renderCapture(100);
    stream.SetVolume(-600);
    stream.SetPan(-10000);
    const auto out = renderCapture(100);
    EXPECT_NEAR(out[0], 0.5f * 0.501f, 1e-3);
    EXPECT_EQ(out[1], 0.0f) << "pan -10000 silences the right channel";
    EXPECT_EQ(stream.Pan(), -10000);
    EXPECT_EQ(stream.Volume(), -600);
}

TEST_F(AudioFileStreamTest, RecreatingTheBufferKeepsItsStateAndSound) {
    stream.SetFileName(file("tone.wav", sine(300, kRate, 2 * kRate), 1, kRate));
    AudioFileStream twin(device);
    twin.SetFileName(stream.FileName());
    for (AudioFileStream* s : {&stream, &twin}) {
        s->SetFrequency(40000);
        s->SetPan(300);
        s->SetVolume(-200);
        s->Play();
    }
    const auto a = renderCapture(3000);
    stream.RecreateBuffer();
    const auto b = renderCapture(3000);
    EXPECT_TRUE(stream.Playing());
    EXPECT_EQ(stream.Frequency(), 40000);
    EXPECT_EQ(stream.Pan(), 300);
    EXPECT_EQ(stream.Volume(), -200);
    twin.Stop();
    stream.Stop();
    // Rendered again without the twin: the recreated stream went on where it was.
    stream.SetPosition(0);
    stream.Play();
    const auto alone = renderCapture(6000);
    for (int i = 0; i < 6000 * 2; i += 97) {
        const float both = i < 6000 ? a[i] : b[i - 6000];
        EXPECT_FLOAT_EQ(both, 2 * alone[i]) << i;
    }
}

TEST_F(AudioFileStreamTest, WithoutAFileItRaisesTheOriginalMessages) {
    EXPECT_FALSE(stream.HasSound());
    try {
        stream.Play();
        FAIL() << "Play without sound";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "WaveStream not set");
    }
    try {
        stream.RecreateBuffer();
        FAIL() << "RecreateBuffer without sound";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "IDirectSoundBuffer not made");
    }
    EXPECT_THROW(stream.CheckBuffer(), Error);
    stream.SetPosition(0);  // these pass over a stream without sound
    stream.Stop();
    EXPECT_FALSE(stream.Playing());
}

TEST_F(AudioFileStreamTest, AFileThatCannotBeReadLeavesTheStreamWithoutSound) {
    stream.SetFileName(levelFile(0.25f, kRate));
    stream.Play();
    renderCapture(100);
    const std::string missing = (dir / "missing.wav").string();
    try {
        stream.SetFileName(missing);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_FALSE(stream.HasSound());
    EXPECT_EQ(stream.FileName(), "");
    EXPECT_FALSE(stream.Playing());
    EXPECT_EQ(firstSound(renderCapture(1000)), -1) << "the old file no longer sounds";
    EXPECT_THROW(stream.Play(), Error);

    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"text.wav", "this is not a sound file"},
        {"empty.wav", ""},
        {"riff.wav", std::string("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0", 20)},
        {"dir.wav", ""},
    };
    for (const auto& [name, bytes] : damaged) {
        const stdfs::path p = dir / name;
        if (name == "dir.wav")
            stdfs::create_directory(p);
        else
            std::ofstream(p, std::ios::binary) << bytes;
        try {
            stream.SetFileName(p.string());
            ADD_FAILURE() << name << " was accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot open file " + p.string()),
                      std::string::npos)
                << e.what();
        }
        EXPECT_FALSE(stream.HasSound());
    }
}

TEST_F(AudioFileStreamTest, AMissingNameIsFoundWithoutRegardToLetterCase) {
    writeWav(dir / "Blank.wav", std::vector<float>(100, 0.0f), 1, 22050);
    stream.SetFileName((dir / "blank.wav").string());
    EXPECT_TRUE(stream.HasSound());
    EXPECT_EQ(stream.Frequency(), 22050);
}

TEST_F(AudioFileStreamTest, AFileShorterThanItsHeaderSaysEndsWhereItsDataEnds) {
    const stdfs::path p = dir / "cut.wav";
    writeWav(p, std::vector<float>(3 * kRate, 0.25f), 1, kRate);
    stdfs::resize_file(p, 44 + 2 * 2 * kRate);  // two of the three seconds are left
    stream.SetFileName(p.string());
    stream.Play();
    const auto x = channel(renderCapture(4 * kRate), 0);
    EXPECT_NEAR(lastSound(x), 2 * kRate, 2);
    EXPECT_FALSE(stream.Playing());
}

TEST_F(AudioFileStreamTest, PlayAfterTheEndPlaysNothingUntilTheStreamIsRewound) {
    stream.SetFileName(levelFile(0.25f, 1000));
    stream.Play();
    renderCapture(2000);
    EXPECT_FALSE(stream.Playing());
    stream.Play();
    EXPECT_EQ(firstSound(renderCapture(2000)), -1);
    stream.SetPosition(0);
    stream.Play();
    EXPECT_EQ(lastSound(channel(renderCapture(2000), 0)), 999);
}

TEST_F(AudioFileStreamTest, FinalizingTheDeviceStopsItsStreams) {
    stream.SetFileName(levelFile(0.25f, kRate));
    stream.Play();
    renderCapture(100);
    device.Finalize();
    EXPECT_EQ(firstSound(renderCapture(100)), -1);
    EXPECT_FALSE(stream.Playing());
}

TEST_F(AudioFileStreamTest, WithoutGlobalFocusAStreamFollowsTheOptionFromItsNextBuffer) {
    stream.SetFileName(levelFile(0.25f, kRate));
    stream.Play();
    device.SetGlobalFocus(false);
    setApplicationActive(false);
    EXPECT_FLOAT_EQ(renderCapture(100)[0], 0.25f) << "made while the option was on";
    stream.RecreateBuffer();
    EXPECT_EQ(firstSound(renderCapture(100)), -1);
    setApplicationActive(true);
    EXPECT_FLOAT_EQ(renderCapture(100)[0], 0.25f);
}

}  // namespace
}  // namespace valdorin::audio
