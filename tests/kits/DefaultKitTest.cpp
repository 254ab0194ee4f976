#include "kits/DefaultKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/InstrumentList.h"
#include "kits/KitBytes.h"
#include "platform/FileSystem.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

constexpr double kRate = 44100;

std::vector<int> samplesOf(const TKitWave& w) {
    std::vector<int> s(w.data().size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(w.data()[2 * i] | w.data()[2 * i + 1] << 8);
    return s;
}

// Sign changes per second over frames [from, to) of a mono sound.
double crossingRate(const std::vector<int>& s, double fromSeconds, double toSeconds) {
    const auto from = std::size_t(fromSeconds * kRate), to = std::size_t(toSeconds * kRate);
    int crossings = 0;
    for (std::size_t i = from + 1; i < to && i < s.size(); ++i)
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++crossings;
    return crossings / (toSeconds - fromSeconds);
}

class DefaultKit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        kit_ = new TWaveCollection;
        BuildDefaultKit(*kit_);
    }
    static void TearDownTestSuite() {
        delete kit_;
        kit_ = nullptr;
    }
    static const TWaveCollection& kit() { return *kit_; }
    static std::vector<int> sound(int i) { return samplesOf(kit().EntryAt(i).Wave); }
    static double seconds(int i) {
        const auto& w = kit().EntryAt(i).Wave;
        return double(w.data().size()) / w.blockAlign() / w.sampleRate();
    }

  private:
    static TWaveCollection* kit_;
};
TWaveCollection* DefaultKit::kit_ = nullptr;

TEST_F(DefaultKit, MeetsBothKitRulesByNameAndByPosition) {
    ASSERT_EQ(kit().Count(), 17);
    EXPECT_EQ(kit().EntryAt(0).Name(), "");
    for (int i = 1; i <= 16; ++i) {
        EXPECT_EQ(kit().EntryAt(i).Name(), instrumentEntry(i));
        auto& mutableKit = const_cast<TWaveCollection&>(kit());
        EXPECT_EQ(&mutableKit.FindEntry(instrumentEntry(i)), &kit().EntryAt(i)) << i;
    }
}

TEST_F(DefaultKit, PlaceholderHoldsSilence) {
    const auto& w = kit().EntryAt(0).Wave;
    ASSERT_FALSE(w.empty());  // an empty wave would not survive the kit file
    EXPECT_EQ(w.sampleRate(), 44100);
    EXPECT_EQ(w.bitsPerSample(), 16);
    for (auto b : w.data())
        ASSERT_EQ(b, 0);
}

TEST_F(DefaultKit, EverySoundIsCleanPcmAt44100) {
    for (int i = 1; i <= 16; ++i) {
        SCOPED_TRACE(instrumentEntry(i));
        const auto& w = kit().EntryAt(i).Wave;
        EXPECT_EQ(w.formatTag(), 1);
        EXPECT_EQ(w.channels(), 1);
        EXPECT_EQ(w.sampleRate(), 44100);
        EXPECT_EQ(w.bitsPerSample(), 16);
        EXPECT_EQ(w.blockAlign(), 2);
        EXPECT_EQ(w.avgBytesPerSecond(), 88200u);

        const auto s = sound(i);
        ASSERT_GT(s.size(), 100u);
        // Starts from silence over a few frames and ends in silence: no click either way.
        EXPECT_EQ(s.front(), 0);
        EXPECT_EQ(s.back(), 0);
        for (int k = 0; k < 4; ++k)
            EXPECT_LT(std::abs(s[k]), 3000) << "frame " << k;
        EXPECT_LT(std::abs(s[s.size() - 2]), 300);
        // Loud but never at full scale.
        int peak = 0;
        for (int v : s)
            peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 32000);
        EXPECT_GT(peak, 20000);
        // The last tenth is a quiet tail, not a cut-off note.
        int tailPeak = 0;
        for (std::size_t k = s.size() * 9 / 10; k < s.size(); ++k)
            tailPeak = std::max(tailPeak, std::abs(s[k]));
        EXPECT_LT(tailPeak, peak / 8);
    }
}

TEST_F(DefaultKit, LengthsADrummerExpects) {
    struct Range {
        int entry;
        double minSeconds, maxSeconds;
    };
    const Range ranges[] = {{1, 0.5, 1.5},  {2, 0.15, 0.5},  {3, 0.2, 0.8},  {4, 0.05, 0.2},
                            {5, 0.2, 0.5},  {6, 0.3, 1.2},   {7, 0.3, 1.5},  {8, 1.5, 3.0},
                            {9, 1.5, 3.0},  {10, 0.05, 0.3}, {11, 0.1, 0.5}, {12, 0.05, 0.4},
                            {13, 0.2, 0.8}, {14, 0.2, 0.8},  {15, 0.2, 0.8}, {16, 0.2, 0.8}};
    for (const auto& r : ranges) {
        EXPECT_GE(seconds(r.entry), r.minSeconds) << instrumentEntry(r.entry);
        EXPECT_LE(seconds(r.entry), r.maxSeconds) << instrumentEntry(r.entry);
    }
}

TEST_F(DefaultKit, KickPitchFalls) {
    for (int i : {1, 2}) {
        const auto s = sound(i);
        const double early = crossingRate(s, 0.002, 0.03);
        const double late = crossingRate(s, 0.1, 0.2);
        EXPECT_GT(early, 1.5 * late) << instrumentEntry(i);
        EXPECT_LT(late, 2 * 80) << instrumentEntry(i);  // below 80 Hz by then
    }
}

TEST_F(DefaultKit, BrightAndDarkSoundsWhereExpected) {
    // Cymbals, hats, shaker and tambourine are noise-bright; drums with a body are low.
    for (int i : {4, 5, 8, 9, 11, 16})
        EXPECT_GT(crossingRate(sound(i), 0.0, std::min(0.1, seconds(i))), 6000)
            << instrumentEntry(i);
    for (int i : {1, 2, 6, 7, 13})
        EXPECT_LT(crossingRate(sound(i), 0.04, 0.12), 1000) << instrumentEntry(i);
    // The two toms are tuned apart, the first higher.
    EXPECT_GT(crossingRate(sound(6), 0.05, 0.3), 1.3 * crossingRate(sound(7), 0.05, 0.3));
}

TEST_F(DefaultKit, IsTheSameEveryTimeAndSurvivesItsFile) {
    TWaveCollection again;
    BuildDefaultKit(again);
    const Bytes image = KitFileImage(kit());
    EXPECT_EQ(KitFileImage(again), image);

    TWaveCollection back;
    ReadKitImage(back, image);
    ASSERT_EQ(back.Count(), 17);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(back.EntryAt(i).Wave.data(), kit().EntryAt(i).Wave.data());
}

TEST(BlankWav, IsAShortSilentStereoWav) {
    const Bytes b = BlankWavBytes();
    ASSERT_GT(b.size(), 44u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(std::uint32_t(b[4] | b[5] << 8 | b[6] << 16 | b[7] << 24), b.size() - 8);
    TKitWave w;
    ReadWaveImage(w, b);
    EXPECT_EQ(w.format(), pcmFormat(2, 44100, 16));
    EXPECT_EQ(w.data().size(), b.size() - 44);
    EXPECT_LE(w.data().size(), 44100u * 4);
    EXPECT_TRUE(std::all_of(w.data().begin(), w.data().end(), [](auto v) { return v == 0; }));
}

class Seeding : public ScratchDir {};

TEST_F(Seeding, CreatesWhatIsMissing) {
    const auto pd = dir / "new" / "programdir";
    SeedProgramDirectory(pd);
    EXPECT_TRUE(std::filesystem::is_directory(pd / "temp"));
    EXPECT_TRUE(std::filesystem::is_empty(pd / "temp"));
    EXPECT_EQ(readBytes(pd / "Blank.wav"), BlankWavBytes());
    std::string pans;
    for (int i = 0; i < 17; ++i)
        pans += "0\r\n";
    EXPECT_EQ(readBytes(pd / "Panning.dat"), Bytes(pans.begin(), pans.end()));
    TWaveCollection kit, expected;
    ReadKitFile(kit, pd / "power.dxg");
    BuildDefaultKit(expected);
    EXPECT_EQ(KitFileImage(kit), KitFileImage(expected));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pd), {}), 4);
}

TEST_F(Seeding, NeverReplacesTheUsersFiles) {
    writeBytes(dir / "power.dxg", {1, 2, 3});
    writeBytes(dir / "panning.dat", {'5', '\r', '\n'});  // found without regard to case
    std::filesystem::create_directory(dir / "TEMP");
    writeBytes(dir / "TEMP" / "work.wav", {9});
    SeedProgramDirectory(dir);
    SeedProgramDirectory(dir);
    EXPECT_EQ(readBytes(dir / "power.dxg"), (Bytes{1, 2, 3}));
    EXPECT_EQ(readBytes(dir / "panning.dat"), (Bytes{'5', '\r', '\n'}));
    EXPECT_FALSE(std::filesystem::exists(dir / "Panning.dat") &&
                 !std::filesystem::equivalent(dir / "Panning.dat", dir / "panning.dat"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Blank.wav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4);
}

TEST_F(Seeding, AFileInTheWayIsReported) {
    writeBytes(dir / "file", {1});
    EXPECT_EQ(errorOf([&] { SeedProgramDirectory(dir / "file"); }),
              "Cannot create file " + (dir / "file").string());
}

}  // namespace
}  // namespace valdorin::kits
