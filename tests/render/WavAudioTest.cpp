// TWave: reading and writing WAV files, the sample address rule, the two modes and MixIn.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "render/WavBytes.h"
#include "render/wavaudio.h"

namespace valdorin::render::test {
namespace {

using Load = ScratchDir;

TEST_F(Load, EighteenByteFormatBodyGivesItsFirstSixteenBytes) {
    Bytes fmt = formatBody(1, 22050, 16);
    putLe(fmt, 0, 2);  // extension size
    TWave w;
    w.LoadFromFile(write("a.wav", riff({chunk("fmt ", fmt), chunk("data", samples16({7, -9}))})));
    EXPECT_EQ(w.WaveFormat.channels, 1);
    EXPECT_EQ(w.WaveFormat.sampleRate, 22050);
    EXPECT_EQ(w.WaveFormat.avgBytesPerSec, 44100);
    EXPECT_EQ(w.WaveFormat.blockAlign, 2);
    EXPECT_EQ(w.WaveFormat.bitsPerSample, 16);
    ASSERT_EQ(w.FrameCount, 2);
    EXPECT_EQ(w.GetSample(0, 0), 7);
    EXPECT_EQ(w.GetSample(0, 1), -9);
}

TEST_F(Load, OddSizedChunkIsFollowedAtOnceByTheNext) {
    TWave w;
    w.LoadFromFile(
        write("a.wav", riff({chunk("LIST", {1, 2, 3}), chunk("fmt ", formatBody(1, 8000, 16)),
                             chunk("data", samples16({300, 400, 500}))})));
    EXPECT_EQ(w.WaveFormat.sampleRate, 8000);
    ASSERT_EQ(w.FrameCount, 3);
    EXPECT_EQ(w.GetSample(0, 2), 500);
}

TEST_F(Load, ExtraZeroByteCountedInTheRiffSizeEndsTheScan) {
    // As SaveWaveFile writes it: the RIFF size counts one zero byte after the data chunk.
    Bytes image = riff({chunk("fmt ", formatBody(2, 44100, 16)), chunk("data", samples16({1, 2}))});
    image.push_back(0);
    image[4] += 1;
    TWave w;
    w.LoadFromFile(write("a.wav", image));
    EXPECT_EQ(w.WaveFormat.channels, 2);
    ASSERT_EQ(w.FrameCount, 1);
    EXPECT_EQ(w.GetSample(0, 0), 1);
    EXPECT_EQ(w.GetSample(1, 0), 2);
    EXPECT_EQ(w.DataSize(), 4);
}

TEST_F(Load, ShortFormatBodyReplacesOnlyTheLeadingFields) {
    Bytes fmt = formatBody(1, 11025, 8);
    fmt.resize(4);  // tag and channel count only
    TWave w;
    w.LoadFromFile(write("a.wav", riff({chunk("fmt ", fmt)})));
    EXPECT_EQ(w.WaveFormat.channels, 1);
    EXPECT_EQ(w.WaveFormat.sampleRate, 44100);
    EXPECT_EQ(w.WaveFormat.blockAlign, 4);
    EXPECT_EQ(w.WaveFormat.bitsPerSample, 16);
}

TEST_F(Load, LaterChunksReplaceEarlierOnesAndFrameCountUsesTheBlockAlignThen) {
    // data under the default block align 4, then a mono format: 8 bytes stay 2 frames.
    TWave w;
    w.LoadFromFile(
        write("a.wav",
              riff({chunk("data", samples16({1, 2, 3, 4})), chunk("fmt ", formatBody(1, 44100, 16)),
                    chunk("data", samples16({5, 6, 7})), chunk("fmt ", formatBody(1, 8000, 16))})));
    EXPECT_EQ(w.WaveFormat.sampleRate, 8000);
    EXPECT_EQ(w.FrameCount, 3);
    EXPECT_EQ(w.GetSample(0, 0), 5);
}

TEST_F(Load, FilesThatAreNotRiffWaveLeaveTheObjectAlone) {
    const Bytes good = riff({chunk("fmt ", formatBody(1, 8000, 8)), chunk("data", {1, 2, 3})});
    Bytes notRiff = good;
    notRiff[0] = 'X';
    Bytes notWave = good;
    notWave[8] = 'X';
    const std::vector<Bytes> cases = {notRiff, notWave, Bytes{'R', 'I', 'F', 'F', 0, 0}, Bytes{}};
    for (const Bytes& image : cases) {
        TWave w;
        loadStereo(w, {10, 20});
        w.LoadFromFile(write("b.wav", image));
        EXPECT_EQ(w.WaveFormat.channels, 2);
        EXPECT_EQ(w.FrameCount, 1);
        EXPECT_EQ(w.GetSample(1, 0), 20);
    }
}

TEST_F(Load, DataChunkLargerThanTheFileIsAStreamReadError) {
    for (bool backed : {false, true}) {
        TWave w;
        loadStereo(w, {10, 20, 30, 40});
        w.BackingFileName = file("backing.tmp");
        w.SetFileBacked(backed);
        const Bytes image = riff({chunk("fmt ", formatBody(2, 44100, 16)),
                                  chunk("data", samples16({1, 2, 3}), 0x7FFFFFF0)});
        try {
            w.LoadFromFile(write("a.wav", image));
            FAIL() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
        EXPECT_EQ(w.FrameCount, 2);  // the previous count
        EXPECT_EQ(w.DataSize(), 6);  // what the file held, never the declared size
    }
}

TEST_F(Load, NegativeChunkSizeEndsTheWalk) {
    Bytes bad = {'J', 'U', 'N', 'K'};
    putLe(bad, std::uint32_t(-8), 4);  // would lead back to itself
    TWave w;
    w.LoadFromFile(write("a.wav", riff({chunk("data", samples16({9, 9})), bad,
                                        chunk("fmt ", formatBody(1, 8000, 16))},
                                       1000)));
    EXPECT_EQ(w.FrameCount, 1);
    EXPECT_EQ(w.WaveFormat.sampleRate, 44100);
}

TEST_F(Load, UnsupportedFormatsAreRejectedClearly) {
    struct Case {
        Bytes fmt;
        const char* message;
    };
    const std::vector<Case> cases = {
        {formatBody(2, 44100, 24),
         "Unsupported WAV format: 24 bits per sample (only 8 and 16 are supported)"},
        {formatBody(2, 44100, 32, 8, 3),
         "Unsupported WAV format: 32 bits per sample (only 8 and 16 are supported)"},
    };
    for (const auto& c : cases) {
        TWave w;
        try {
            w.LoadFromFile(
                write("a.wav", riff({chunk("fmt ", c.fmt), chunk("data", {1, 2, 3, 4})})));
            FAIL() << "no error for " << c.message;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(w.WaveFormat.bitsPerSample, 16);
        EXPECT_EQ(w.FrameCount, 0);
    }
    Bytes zeroAlign = formatBody(2, 44100, 16);
    zeroAlign[12] = zeroAlign[13] = 0;
    TWave w;
    EXPECT_THROW(w.LoadFromFile(write("z.wav", riff({chunk("fmt ", zeroAlign)}))), Error);
    w.WaveFormat.bitsPerSample = 12;
    EXPECT_THROW(w.GetSample(0, 0), Error);
    EXPECT_THROW(w.MixIn(nullptr, 44100, 0, 0, 1), Error);
}

TEST_F(Load, MissingFileCannotBeOpened) {
    TWave w;
    const auto path = file("missing.wav");
    try {
        w.LoadFromFile(path);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + path.string());
    }
}

TEST_F(Load, PathsInMessagesAreProgramText) {
    // "é" is two bytes on disk (UTF-8) and one in a message (Windows-1252).
    TWave w;
    try {
        w.LoadFromFile(file("caf\xC3\xA9.wav"));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "caf\xE9.wav").string());
    }
    w.BackingFileName = file("d\xC3\xA9j\xC3\xA0/work.tmp");
    try {
        w.SetFileBacked(true);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file " + (dir / "d\xE9j\xE0/work.tmp").string());
    }
}

TEST_F(Load, DamagedFilesNeverCrashOrHang) {
    std::mt19937 rng(8);
    Bytes fmt = formatBody(2, 44100, 16);
    putLe(fmt, 0, 2);
    const Bytes good = riff({chunk("LIST", {1, 2, 3}), chunk("fmt ", fmt),
                             chunk("data", samples16({1, -2, 3, -4, 5, -6}))});
    for (int round = 0; round < 3000; ++round) {
        Bytes image = good;
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e)
            image[rng() % image.size()] = std::uint8_t(rng());
        image.resize(rng() % 3 == 0 ? rng() % (image.size() + 1) : image.size());
        // Fresh names: replacing a file makes the file system flush it.
        const std::string name = std::to_string(round);
        TWave w;
        w.BackingFileName = file(name + ".tmp");
        w.SetFileBacked(round % 2 == 1);
        try {
            w.LoadFromFile(write(name + ".wav", image));
            for (int f = -1; f <= w.FrameCount && f < 8; ++f)
                for (int c = 0; c <= 3; ++c)
                    w.GetSample(c, f);
        } catch (const Error&) {
        }
        EXPECT_LE(w.DataSize(), std::int64_t(image.size()));
        std::filesystem::remove(file(name + ".wav"));
    }
}

using Samples = ScratchDir;

TEST_F(Samples, EightBitBytesReadAndWrite) {
    TWave w;
    w.LoadFromFile(write(
        "a.wav", riff({chunk("fmt ", formatBody(1, 8000, 8)), chunk("data", {0x00, 0x80, 0xFF})})));
    EXPECT_EQ(w.GetSample(0, 0), -32640);
    EXPECT_EQ(w.GetSample(0, 1), 0);
    EXPECT_EQ(w.GetSample(0, 2), 32385);
    // Written as near(value / 255) + 128, held to 0..255.
    const std::vector<std::pair<int, int>> writes = {
        {32767, 32385}, {-32767, -32640}, {-32768, -32640}, {382, 255}, {383, 510}};
    for (auto [value, reads] : writes) {
        w.SetSample(0, 1, std::int16_t(value));
        EXPECT_EQ(w.GetSample(0, 1), reads) << value;
    }
}

TEST_F(Samples, AddressRule) {
    TWave w;
    loadStereo(w, {1, 2, 3, 4, 5, 6, 7});  // 14 bytes
    ASSERT_EQ(w.FrameCount, 4);            // near(14 / 4) = near(3.5) = 4
    EXPECT_EQ(w.GetSample(2, 0), 3);       // the channel count: next frame's first sample
    EXPECT_EQ(w.GetSample(3, 0), 0);       // beyond the channel count
    EXPECT_EQ(w.GetSample(0, -1), 0);
    EXPECT_EQ(w.GetSample(0, 3), 7);
    EXPECT_EQ(w.GetSample(1, 3), 0);  // no bytes there
    EXPECT_EQ(w.GetSample(0, 4), 0);  // not below FrameCount
}

TEST_F(Samples, CutOffSixteenBitSampleReadsItsByte) {
    TWave w;
    w.LoadFromFile(write("a.wav", riff({chunk("fmt ", formatBody(1, 8000, 16)),
                                        chunk("data", {0x34, 0x12, 0xF0})})));
    ASSERT_EQ(w.FrameCount, 2);  // near(1.5)
    EXPECT_EQ(w.GetSample(0, 0), 0x1234);
    EXPECT_EQ(w.GetSample(0, 1), 0xF0);
}

TEST_F(Samples, WritesOutOfRangeAreIgnored) {
    TWave w;
    loadStereo(w, {1, 2});
    w.SetSample(-1, 0, 99);
    w.SetSample(3, 0, 99);
    w.SetSample(0, -1, 99);
    EXPECT_EQ(w.DataSize(), 4);
    EXPECT_EQ(w.GetSample(0, 0), 1);
}

TEST_F(Samples, MemoryModeWritesPastTheEndGrowTheDataWithSilence) {
    TWave w;
    loadStereo(w, {1, 2});
    w.SetSample(1, 3, 77);
    EXPECT_EQ(w.FrameCount, 4);
    EXPECT_EQ(w.DataSize(), 16);
    EXPECT_EQ(w.GetSample(0, 2), 0);
    EXPECT_EQ(w.GetSample(1, 3), 77);
    EXPECT_EQ(w.GetSample(0, 0), 1);
}

using Save = ScratchDir;

TEST_F(Save, EmptyObjectWritesFortyFourBytes) {
    TWave w;
    w.SaveToFile(file("e.wav"));
    const Bytes b = readAll(file("e.wav"));
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(le32At(b, 4), 36u);
    EXPECT_EQ(Bytes(b.begin() + 8, b.begin() + 16),
              (Bytes{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}));
    EXPECT_EQ(le32At(b, 16), 16u);
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 36), formatBody(2, 44100, 16));
    EXPECT_EQ(Bytes(b.begin() + 36, b.begin() + 40), (Bytes{'d', 'a', 't', 'a'}));
    EXPECT_EQ(le32At(b, 40), 0u);
}

TEST_F(Save, HeaderHasTheFortyFourByteFormWhateverTheInput) {
    Bytes fmt = formatBody(1, 8000, 16);
    putLe(fmt, 0, 2);
    TWave w;
    w.LoadFromFile(write("a.wav", riff({chunk("LIST", {1, 2, 3}), chunk("fmt ", fmt),
                                        chunk("data", samples16({5, 6, 7}))})));
    w.SaveToFile(file("b.wav"));
    EXPECT_EQ(readAll(file("b.wav")),
              riff({chunk("fmt ", formatBody(1, 8000, 16)), chunk("data", samples16({5, 6, 7}))}));
}

TEST_F(Save, SwitchingToFileBackedKeepsTheBytes) {
    TWave w;
    loadStereo(w, {1, -2, 3, -4, 5});
    w.SaveToFile(file("memory.wav"));
    w.BackingFileName = file("work.tmp");
    w.SetFileBacked(true);
    EXPECT_TRUE(w.FileBacked());
    EXPECT_EQ(w.FrameCount, 2);  // near(10 / 4), a half to the even neighbour
    EXPECT_EQ(readAll(file("work.tmp")), samples16({1, -2, 3, -4, 5}));
    w.SaveToFile(file("backed.wav"));
    EXPECT_EQ(readAll(file("backed.wav")), readAll(file("memory.wav")));
    w.SetFileBacked(false);
    w.SaveToFile(file("again.wav"));
    EXPECT_EQ(readAll(file("again.wav")), readAll(file("memory.wav")));
    EXPECT_TRUE(std::filesystem::exists(file("work.tmp")));
}

TEST_F(Save, WindowLeftBySetSampleIsWrittenBackFirst) {
    TWave w;
    loadStereo(w, {1, 2, 3, 4});
    w.BackingFileName = file("work.tmp");
    w.SetFileBacked(true);
    w.SetSample(1, 1, 99);
    EXPECT_EQ(w.WindowStart(), 1);
    w.SaveToFile(file("out.wav"));
    const Bytes b = readAll(file("out.wav"));
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()), samples16({1, 2, 3, 99}));
}

TEST_F(Save, ARenderReplacingAFileKeepsItsPermissions) {
    write("out.wav", {1, 2, 3});
    std::filesystem::permissions(
        file("out.wav"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    TWave w;
    loadStereo(w, {1, 2, 3, 4});
    w.BackingFileName = file("work.tmp");
    w.SetFileBacked(true);
    w.SaveToFile(file("out.wav"));
    EXPECT_EQ(readAll(file("out.wav")).size(), 44u + 8u);
    EXPECT_EQ(std::filesystem::status(file("out.wav")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(Save, BackingFileThatCannotBeCreated) {
    TWave w;
    w.BackingFileName = file("no/such/dir/work.tmp");
    try {
        w.SetFileBacked(true);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + w.BackingFileName.string());
    }
    EXPECT_FALSE(w.FileBacked());
    EXPECT_THROW(w.SaveToFile(file("no/such/dir/out.wav")), Error);
}

// ---- MixIn ---------------------------------------------------------------------------------

class Mix : public ScratchDir, public ::testing::WithParamInterface<bool> {
  protected:
    // The destination: empty, memory mode or file-backed by the parameter.
    void SetUp() override {
        ScratchDir::SetUp();
        dest.BackingFileName = file("work.tmp");
        dest.SetFileBacked(GetParam());
    }
    void source(TWave& w, std::uint16_t channels, const std::vector<int>& values,
                std::int32_t rate = 44100) {
        w.LoadFromFile(write("src.wav", riff({chunk("fmt ", formatBody(channels, rate, 16)),
                                              chunk("data", samples16(values))})));
    }
    std::vector<int> frames(int count) {
        std::vector<int> out;
        for (int f = 0; f < count; ++f)
            for (int c = 0; c < 2; ++c)
                out.push_back(dest.GetSample(c, f));
        return out;
    }
    TWave dest;
};

TEST_P(Mix, StereoSourceKeepsBothChannels) {
    TWave src;
    source(src, 2, {100, -100, 200, -200, 300, -300});
    dest.MixIn(&src, 44100, 0, 0, 1);
    EXPECT_EQ(dest.FrameCount, 3);
    EXPECT_EQ(frames(3), (std::vector<int>{100, -100, 200, -200, 300, -300}));
}

TEST_P(Mix, MonoSourceRightChannelTakesTheNextFrame) {
    TWave src;
    source(src, 1, {10, 20, 30});
    dest.MixIn(&src, 44100, 0, 0, 1);
    EXPECT_EQ(frames(3), (std::vector<int>{10, 20, 20, 30, 30, 0}));
}

TEST_P(Mix, FullScaleClipsAtThe16BitLimits) {
    TWave src;
    source(src, 2, {32767, -32767, 30000, -30000});
    dest.MixIn(&src, 44100, 0, 0, 1);
    dest.MixIn(&src, 44100, 0, 0, 1);
    EXPECT_EQ(frames(2), (std::vector<int>{32767, -32767, 32767, -32767}));
    TWave low;
    source(low, 2, {-32768, -32768});
    dest.MixIn(&low, 44100, 0, 0, 1);  // -32768 is never produced
    EXPECT_EQ(dest.GetSample(0, 0), -1);
    dest.MixIn(&low, 44100, 0, 0, 4);
    EXPECT_EQ(dest.GetSample(0, 0), -32767);
}

TEST_P(Mix, StartBeyondTheEndFillsSilence) {
    TWave src;
    source(src, 2, {5, 6, 7, 8});
    dest.MixIn(&src, 44100, 0, 0, 1);
    dest.MixIn(&src, 44100, 10 / 44100.0, 0, 1);
    EXPECT_EQ(dest.FrameCount, 12);
    EXPECT_EQ(dest.DataSize(), 48);
    std::vector<int> expected(24, 0);
    expected[0] = expected[20] = 5;
    expected[1] = expected[21] = 6;
    expected[2] = expected[22] = 7;
    expected[3] = expected[23] = 8;
    EXPECT_EQ(frames(12), expected);
}

TEST_P(Mix, PanGains) {
    struct Case {
        double pan;
        int left, right;
    };
    const std::vector<Case> cases = {{0.5, 500, 1000},  {-2, 1000, 0}, {0, 1000, 1000},
                                     {1, 0, 1000},      {-1, 1000, 0}, {2, 0, 1000},
                                     {-0.25, 1000, 750}};
    TWave src;
    source(src, 2, {1000, 1000});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        dest.MixIn(&src, 44100, double(i) / 44100, cases[i].pan, 1);
        EXPECT_EQ(dest.GetSample(0, int(i)), cases[i].left) << cases[i].pan;
        EXPECT_EQ(dest.GetSample(1, int(i)), cases[i].right) << cases[i].pan;
    }
}

TEST_P(Mix, PlayRateResamples) {
    TWave src;
    source(src, 2, {0, 0, 1000, -1000, 2000, -2000, 3000, -3000});
    // At half the rate the sound lasts twice as long; between frames it is interpolated.
    dest.MixIn(&src, 22050, 0, 0, 1);
    EXPECT_EQ(dest.FrameCount, 8);
    EXPECT_EQ(frames(8), (std::vector<int>{0, 0, 500, -500, 1000, -1000, 1500, -1500, 2000, -2000,
                                           2500, -2500, 3000, -3000, 3000, -3000}));
    // Volume is a factor; halves go to the even neighbour.
    TWave one;
    source(one, 2, {1, 3, 5, 7});
    dest.MixIn(&one, 44100, 20 / 44100.0, 0, 0.5);
    EXPECT_EQ(dest.GetSample(0, 20), 0);
    EXPECT_EQ(dest.GetSample(1, 20), 2);
    EXPECT_EQ(dest.GetSample(0, 21), 2);
    EXPECT_EQ(dest.GetSample(1, 21), 4);
}

TEST_P(Mix, ZeroRatesAndEmptySourcesAddNothing) {
    TWave src;
    source(src, 2, {1000, 1000});
    TWave silent;
    source(silent, 2, {1000, 1000}, 0);
    TWave empty;
    dest.MixIn(&src, 0, 0, 0, 1);
    dest.MixIn(&silent, 44100, 0, 0, 1);
    dest.MixIn(&empty, 44100, 0, 0, 1);
    dest.MixIn(nullptr, 44100, 0, 0, 1);
    dest.MixIn(&src, -44100, 0, 0, 1);
    EXPECT_EQ(dest.FrameCount, 0);
    EXPECT_EQ(dest.DataSize(), 0);
}

TEST_P(Mix, NegativeStartDropsTheFramesBeforeZero) {
    TWave src;
    source(src, 2, {1, 2, 3, 4, 5, 6});
    dest.MixIn(&src, 44100, -1 / 44100.0, 0, 1);
    EXPECT_EQ(dest.FrameCount, 2);
    EXPECT_EQ(frames(2), (std::vector<int>{3, 4, 5, 6}));
}

INSTANTIATE_TEST_SUITE_P(Modes, Mix, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FileBacked" : "Memory"; });

}  // namespace
}  // namespace valdorin::render::test
