// Kit playback through the offline capture output.

#include "platform/audio/WaveList.h"

#include <gtest/gtest.h>

#include "platform/AudioTestSupport.h"
#include "support/AudioCapture.h"

namespace valdorin::audio {
namespace {

using namespace testing;
constexpr int kRate = 48000;

class WaveListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        installCaptureOutput(kRate);
        device.Initialize();
    }

    // A kit entry holding a steady level (DC) at the output rate, so gains read off directly.
    kits::TWaveCollectionItem& levelEntry(float level, int frames, int pan = 0, int volume = 0) {
        auto& e = kit.AddEntry();
        e.Wave = kitWave(std::vector<float>(frames, level), 1, kRate, 16);
        e.Pan = pan;
        e.Volume = volume;
        return e;
    }

    SoundDevice device;
    kits::TWaveCollection kit;
    WaveList list{device, kit};
};

TEST_F(WaveListTest, VoicesOfOneEntryOverlapAndEachEndsByItself) {
    auto& e = levelEntry(0.25f, 1000);
    list.PlayEntry(e);
    const auto a = channel(renderCapture(500), 0);
    list.PlayEntry(e);
    const auto b = channel(renderCapture(2000), 0);

    for (int i : {0, 499})
        EXPECT_FLOAT_EQ(a[i], 0.25f) << i;
    for (int i : {0, 499})
        EXPECT_FLOAT_EQ(b[i], 0.5f) << "both voices at " << 500 + i;
    for (int i : {500, 999})
        EXPECT_FLOAT_EQ(b[i], 0.25f) << "the second alone at " << 500 + i;
    EXPECT_EQ(lastSound(b), 999) << "the second voice ends with its wave";
}

TEST_F(WaveListTest, EachVoiceKeepsThePanAndVolumeItStartedWith) {
    auto& e = levelEntry(0.5f, 2000);
    list.PlayEntry(e);
    e.Volume = -10000;  // changing the entry afterwards leaves the sounding voice alone
    list.PlayEntry(e);
    const auto out = renderCapture(1000);
    EXPECT_FLOAT_EQ(out[2 * 100], 0.5f);
    EXPECT_FLOAT_EQ(out[2 * 100 + 1], 0.5f);
}

struct LevelCase {
    int pan;
    int volume;
    float left;
    float right;
};

class WaveListUnits : public WaveListTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(WaveListUnits, PanAndVolumeInHundredthsOfADecibel) {
    const LevelCase c = GetParam();
    list.PlayEntry(levelEntry(0.5f, 800, c.pan, c.volume));
    const auto out = renderCapture(400);
    EXPECT_NEAR(out[2 * 200] / 0.5f, c.left, 1e-3) << "pan " << c.pan << " volume " << c.volume;
    EXPECT_NEAR(out[2 * 200 + 1] / 0.5f, c.right, 1e-3)
        << "pan " << c.pan << " volume " << c.volume;
}

INSTANTIATE_TEST_SUITE_P(
    Levels, WaveListUnits,
    ::testing::Values(LevelCase{0, 0, 1, 1},                  // full level, centred
                      LevelCase{0, -600, 0.501f, 0.501f},     // -6 dB: about half amplitude
                      LevelCase{0, -4500, 0.0056f, 0.0056f},  // volume digit 9
                      LevelCase{0, -10000, 0, 0},             // silence
                      LevelCase{0, -20000, 0, 0},             // below silence is silence
                      LevelCase{0, 500, 1, 1},                // above full level is full level
                      LevelCase{-10000, 0, 1, 0},             // right channel silenced
                      LevelCase{10000, 0, 0, 1},              // left channel silenced
                      LevelCase{-600, 0, 1, 0.501f},          // towards the left
                      LevelCase{1200, -600, 0.126f, 0.501f}));

struct FormatCase {
    const char* name;
    int channels;
    int rate;
    int bits;
};

class WaveListFormats : public WaveListTest, public ::testing::WithParamInterface<FormatCase> {};

// Every PCM wave plays at its own pitch and length, whatever its rate against the output's.
TEST_P(WaveListFormats, PlaysAtTheRightPitchAndLength) {
    const FormatCase c = GetParam();
    const double hz = 441;
    const int frames = c.rate / 10;  // a tenth of a second
    auto& e = kit.AddEntry();
    e.Wave = kitWave(sine(hz, c.rate, frames, 0.5f, c.channels), c.channels, c.rate, c.bits);
    list.PlayEntry(e);
    const auto out = renderCapture(kRate / 5);
    for (int ch = 0; ch < 2; ++ch) {
        const auto x = channel(out, ch);
        EXPECT_NEAR(lastSound(x, 0.02f), kRate / 10, kRate / 1000) << "length, channel " << ch;
        EXPECT_NEAR(toneFrequency(x, 200, kRate / 10 - 200, kRate), hz, 1.0) << "pitch";
        EXPECT_NEAR(peak(x), 0.5f, 0.03f);
    }
}

INSTANTIATE_TEST_SUITE_P(Pcm, WaveListFormats,
                         ::testing::Values(FormatCase{"U8Mono22050", 1, 22050, 8},
                                           FormatCase{"S16Stereo44100", 2, 44100, 16},
                                           FormatCase{"S16Mono11025", 1, 11025, 16},
                                           FormatCase{"U8Stereo8000", 2, 8000, 8},
                                           FormatCase{"S16Mono48000", 1, 48000, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WaveListTest, StereoWavesKeepTheirChannelsApart) {
    std::vector<float> s;
    for (int i = 0; i < 480; ++i) {
        s.push_back(0.5f);
        s.push_back(-0.25f);
    }
    auto& e = kit.AddEntry();
    e.Wave = kitWave(s, 2, kRate, 16);
    list.PlayEntry(e);
    const auto out = renderCapture(480);
    EXPECT_FLOAT_EQ(out[2 * 10], 0.5f);
    EXPECT_FLOAT_EQ(out[2 * 10 + 1], -0.25f);
}

TEST_F(WaveListTest, WavesThatCannotPlaySoundNothing) {
    const std::vector<std::uint8_t> data(2000, 0x40);
    struct Bad {
        const char* what;
        std::vector<std::uint8_t> format;
        std::vector<std::uint8_t> data;
    };
    const std::vector<Bad> bad = {
        {"empty", {}, {}},
        {"no data", fmtChunk(1, 1, 22050, 8), {}},
        {"ADPCM", fmtChunk(2, 1, 22050, 4), data},
        {"no channels", fmtChunk(1, 0, 22050, 8), data},
        {"rate 0", fmtChunk(1, 1, 0, 8), data},
        {"12 bits", fmtChunk(1, 1, 22050, 12), data},
        {"short format block", {1, 0, 1, 0}, data},
        {"rate far below the output's", fmtChunk(1, 1, 10, 8), data},
        {"one byte of 16-bit data", fmtChunk(1, 1, 22050, 16), {0x40}},
    };
    for (const Bad& b : bad) {
        auto& e = kit.AddEntry();
        e.Wave.assign(b.format, b.data);
        list.PlayEntry(e);
        EXPECT_EQ(firstSound(renderCapture(2000)), -1) << b.what;
    }
}

TEST_F(WaveListTest, AWaveAssignedAnewPlaysItsNewSound) {
    auto& e = levelEntry(0.25f, 500);
    list.Prepare();
    list.PlayEntry(e);
    EXPECT_FLOAT_EQ(renderCapture(600)[0], 0.25f);
    e.Wave = kitWave(std::vector<float>(500, -0.5f), 1, kRate, 16);
    list.PlayEntry(e);
    EXPECT_FLOAT_EQ(renderCapture(600)[0], -0.5f);
}

TEST_F(WaveListTest, FinalizeSilencesTheDevicesVoicesOnly) {
    SoundDevice other;
    other.Initialize();
    kits::TWaveCollection otherKit;
    WaveList otherList(other, otherKit);
    auto& mine = levelEntry(0.25f, 5000);
    auto& theirs = otherKit.AddEntry();
    theirs.Wave = kitWave(std::vector<float>(5000, 0.5f), 1, kRate, 16);
    list.PlayEntry(mine);
    otherList.PlayEntry(theirs);
    renderCapture(100);
    device.Finalize();
    EXPECT_FLOAT_EQ(renderCapture(100)[0], 0.5f);
}

TEST_F(WaveListTest, ManyMoreVoicesThanTheMixerHoldsGiveWayToTheNewest) {
    auto& e = levelEntry(0.001f, 100000);
    for (int i = 0; i < 1000; ++i)
        list.PlayEntry(e);
    const auto out = renderCapture(256);
    EXPECT_NEAR(out[0], 0.256f, 3e-3) << "256 voices sound at once";
}

TEST_F(WaveListTest, WithoutGlobalFocusTheDeviceIsMutedWhileTheProgramIsInactive) {
    auto& e = levelEntry(0.25f, 20000);
    device.SetGlobalFocus(false);
    list.PlayEntry(e);
    setApplicationActive(false);
    EXPECT_EQ(firstSound(renderCapture(1000)), -1);
    setApplicationActive(true);
    EXPECT_FLOAT_EQ(renderCapture(1000)[0], 0.25f) << "the voice played on while muted";

    device.SetGlobalFocus(true);
    list.PlayEntry(e);
    setApplicationActive(false);
    EXPECT_FLOAT_EQ(renderCapture(1000)[0], 0.25f) << "only the voice with global focus";
    setApplicationActive(true);
}

}  // namespace
}  // namespace valdorin::audio
