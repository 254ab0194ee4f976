// The slot bank on the offline capture output: what sounds is rendered into memory.

#include "kits/SampleBank.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/Errors.h"
#include "kits/DefaultKit.h"
#include "kits/SlotWavs.h"
#include "support/AudioCapture.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;
namespace stdfs = std::filesystem;

constexpr int kOutputRate = 48000;

class SampleBankTest : public ::testing::Test {
  protected:
    void SetUp() override {
        audio::installCaptureOutput(kOutputRate);
        std::string pattern = (stdfs::temp_directory_path() / "bank-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        SeedProgramDirectory(dir);
        device.Initialize();
        bank.ProgramDirectory = dir;
    }
    void TearDown() override {
        audio::installDefaultOutput();
        stdfs::remove_all(dir);
    }
    std::string wav(const char* name, int rate, double seconds = 0.3) {
        writeSine(dir / name, rate, 1, 16, seconds);
        return (dir / name).string();
    }
    // The slot's error text, or "" when the call succeeds.
    template <typename F>
    static std::string errorOf(F&& f) {
        try {
            f();
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    stdfs::path dir;
    audio::SoundDevice device;
    SampleBank bank{device};
};

TEST_F(SampleBankTest, OpenBlankPutsEverySlotOnTheProgramDirectorysBlankWav) {
    // Found in the program directory, not the current one, and without regard to case.
    stdfs::rename(dir / "Blank.wav", dir / "blank.WAV");
    const stdfs::path elsewhere = dir / "temp";
    const stdfs::path previous = stdfs::current_path();
    stdfs::current_path(elsewhere);
    EXPECT_NO_THROW(bank.OpenBlank());
    stdfs::current_path(previous);
    for (int s = 1; s <= kSampleSlots; ++s) {
        EXPECT_EQ(bank.FileName(s), "Blank.wav") << s;
        EXPECT_TRUE(bank.HasSound(s)) << s;
        EXPECT_TRUE(bank.IsEmpty(s)) << s;
        EXPECT_EQ(bank.SemitoneOffset(s), 0);
        EXPECT_EQ(bank.BasePitch(s), 0);
        EXPECT_EQ(bank.Stream(s).Frequency(), 44100);
    }
}

TEST_F(SampleBankTest, WithoutBlankWavTheSlotsStayEmptyWithoutSoundAndOneErrorIsRaised) {
    stdfs::remove(dir / "Blank.wav");
    EXPECT_NE(errorOf([&] { bank.OpenBlank(); }), "");
    for (int s = 1; s <= kSampleSlots; ++s) {
        EXPECT_EQ(bank.FileName(s), "Blank.wav");
        EXPECT_FALSE(bank.HasSound(s));
        EXPECT_TRUE(bank.IsEmpty(s));  // so semitone steps leave it alone
    }
    EXPECT_EQ(errorOf([&] { bank.Restart(5); }), "WaveStream not set");
}

TEST_F(SampleBankTest, SettingAFileResetsItsStreamButKeepsBasePitchAndOffset) {
    bank.OpenBlank();
    bank.SetBasePitch(3, 30000);
    bank.StepSemitones(3, 2);  // empty: nothing
    bank.SetFileName(3, wav("a.wav", 22050));
    bank.StepSemitones(3, 2);
    bank.Stream(3).SetPan(1500);
    bank.Stream(3).SetVolume(-2000);
    bank.Restart(3);

    const std::string path = wav("b.wav", 11025);
    bank.SetFileName(3, path);
    EXPECT_EQ(bank.FileName(3), path);
    EXPECT_EQ(bank.Stream(3).Frequency(), 11025);
    EXPECT_EQ(bank.Stream(3).Pan(), 0);
    EXPECT_EQ(bank.Stream(3).Volume(), 0);
    EXPECT_FALSE(bank.Stream(3).Playing());
    EXPECT_EQ(bank.BasePitch(3), 30000);
    EXPECT_EQ(bank.SemitoneOffset(3), 200);
}

TEST_F(SampleBankTest, SemitoneStepsCountFromTheBasePitchAndTheWholeOffset) {
    bank.OpenBlank();
    bank.SetFileName(1, wav("up.wav", 22050));
    bank.SetBasePitch(1, 22050);
    EXPECT_EQ(bank.StepSemitones(1, +1), 23361);
    EXPECT_EQ(bank.Stream(1).Frequency(), 23361);
    EXPECT_EQ(bank.StepSemitones(1, +1), 24750);
    // A new file keeps the offset: the next step counts all three.
    bank.SetFileName(1, wav("low.wav", 11025));
    bank.SetBasePitch(1, 11025);
    EXPECT_EQ(bank.StepSemitones(1, +1), 13111);
    EXPECT_EQ(bank.SemitoneOffset(1), 300);

    bank.SetFileName(2, wav("down.wav", 44100));
    bank.SetBasePitch(2, 44100);
    EXPECT_EQ(bank.StepSemitones(2, -1), 41625);
}

TEST_F(SampleBankTest, SemitoneStepsOnAnEmptySlotChangeNothing) {
    bank.OpenBlank();
    bank.SetBasePitch(4, 22050);
    EXPECT_EQ(bank.StepSemitones(4, +1), std::nullopt);
    EXPECT_EQ(bank.StepSemitones(4, -1), std::nullopt);
    EXPECT_EQ(bank.SemitoneOffset(4), 0);
    EXPECT_EQ(bank.Stream(4).Frequency(), 44100);
}

TEST_F(SampleBankTest, SlotNumbersOutsideOneToThirtyTwoAreRefused) {
    for (int s : {0, -1, 33}) {
        EXPECT_EQ(errorOf([&] { bank.FileName(s); }),
                  "Sample slot " + std::to_string(s) + " does not exist");
        EXPECT_NE(errorOf([&] { bank.Restart(s); }), "");
    }
}

TEST_F(SampleBankTest, RestartPlaysFromTheBeginningCuttingThePreviousSound) {
    bank.OpenBlank();
    // 0.1 s of a loud level, then silence: the level shows where the file begins.
    std::vector<float> frames(kOutputRate / 2, 0.0f);
    for (int i = 0; i < kOutputRate / 10; ++i)
        frames[i] = 0.5f;
    writeWav(dir / "mark.wav", kOutputRate, 1, 16, frames);
    bank.SetFileName(6, (dir / "mark.wav").string());

    bank.Restart(6);
    std::vector<float> first = audio::renderCapture(kOutputRate / 5);
    EXPECT_NEAR(first[2 * 100], 0.5f, 0.01f);
    EXPECT_NEAR(first[2 * (kOutputRate / 5 - 100)], 0.0f, 0.01f);  // in the silent part

    bank.Restart(6);
    std::vector<float> again = audio::renderCapture(kOutputRate / 5);
    EXPECT_NEAR(again[2 * 100], 0.5f, 0.01f);

    bank.Stop(6);
    std::vector<float> stopped = audio::renderCapture(kOutputRate / 20);
    EXPECT_NEAR(stopped[2 * 1000], 0.0f, 1e-6f);
    EXPECT_FALSE(bank.Stream(6).Playing());
}

class DamagedFile : public SampleBankTest, public ::testing::WithParamInterface<DamagedWav> {};

TEST_P(DamagedFile, LeavesTheSlotWithoutSoundAndWithAnEmptyName) {
    bank.OpenBlank();
    const std::string sound = fileBytes(wav("good.wav", 22050));
    const stdfs::path bad = dir / "bad.wav";
    writeBytes(bad, GetParam().bytes(sound));

    EXPECT_NE(errorOf([&] { bank.SetFileName(2, bad.string()); }), "");
    EXPECT_EQ(bank.FileName(2), "");
    EXPECT_FALSE(bank.HasSound(2));
    EXPECT_FALSE(bank.IsEmpty(2));
    EXPECT_EQ(errorOf([&] { bank.Restart(2); }), "WaveStream not set");
    EXPECT_EQ(errorOf([&] { bank.Stream(2).CheckBuffer(); }), "IDirectSoundBuffer not made");
    // The other slots are untouched, and the slot takes a good file again.
    EXPECT_EQ(bank.FileName(1), "Blank.wav");
    bank.SetFileName(2, (dir / "good.wav").string());
    EXPECT_TRUE(bank.HasSound(2));
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFile, ::testing::ValuesIn(damagedWavs()), damagedWavName);

TEST_F(SampleBankTest, MissingFileFailsLikeADamagedOne) {
    bank.OpenBlank();
    EXPECT_NE(errorOf([&] { bank.SetFileName(9, (dir / "nowhere.wav").string()); }), "");
    EXPECT_EQ(bank.FileName(9), "");
    EXPECT_FALSE(bank.HasSound(9));
}

TEST_F(SampleBankTest, AHugeDataCountNeitherCrashesNorReadsBeyondTheFile) {
    bank.OpenBlank();
    writeBytes(dir / "huge.wav", hugeDataCount(fileBytes(wav("short.wav", 22050, 0.2))));
    const std::string error = errorOf([&] { bank.SetFileName(7, (dir / "huge.wav").string()); });
    if (error.empty()) {
        // Readable as far as it goes: it plays what is there and ends.
        EXPECT_EQ(bank.FileName(7), (dir / "huge.wav").string());
        bank.Restart(7);
        audio::renderCapture(kOutputRate);
        EXPECT_FALSE(bank.Stream(7).Playing());
    } else {
        EXPECT_EQ(bank.FileName(7), "");
        EXPECT_FALSE(bank.HasSound(7));
    }
}

struct Format {
    int bits;
    int channels;
    int rate;
};

class SampleFormat : public SampleBankTest, public ::testing::WithParamInterface<Format> {};

TEST_P(SampleFormat, PlaysAtItsOwnPitch) {
    const Format f = GetParam();
    bank.OpenBlank();
    // Longer than the second a stream keeps in memory, so the reader's part is heard too.
    writeSine(dir / "sine.wav", f.rate, f.channels, f.bits, 1.3, 441.0);
    bank.SetFileName(11, (dir / "sine.wav").string());
    EXPECT_EQ(bank.Stream(11).Frequency(), f.rate);
    EXPECT_EQ(bank.Stream(11).Format().bitsPerSample, f.bits);
    EXPECT_EQ(bank.Stream(11).Format().channels, f.channels);

    bank.Restart(11);
    const std::vector<float> out = audio::renderCapture(kOutputRate * 6 / 5);
    EXPECT_NEAR(measuredPitch(out, kOutputRate, 2400, kOutputRate / 2), 441.0, 4.0);
    EXPECT_NEAR(measuredPitch(out, kOutputRate, kOutputRate / 2, kOutputRate * 6 / 5), 441.0, 4.0);
    // Twice the rate plays an octave up.
    bank.Stream(11).SetFrequency(f.rate * 2);
    bank.Restart(11);
    const std::vector<float> up = audio::renderCapture(kOutputRate / 2);
    EXPECT_NEAR(measuredPitch(up, kOutputRate, 2400, kOutputRate / 2), 882.0, 8.0);
}

std::vector<Format> formats() {
    std::vector<Format> list;
    for (int bits : {8, 16, 24})
        for (int channels : {1, 2})
            for (int rate : {11025, 22050, 44100, 96000})
                list.push_back({bits, channels, rate});
    return list;
}

INSTANTIATE_TEST_SUITE_P(Files, SampleFormat, ::testing::ValuesIn(formats()), [](const auto& info) {
    return std::to_string(info.param.bits) + "bit" +
           (info.param.channels == 1 ? "Mono" : "Stereo") + std::to_string(info.param.rate);
});

}  // namespace
}  // namespace valdorin::kits
