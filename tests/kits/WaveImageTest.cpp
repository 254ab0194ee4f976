#include <gtest/gtest.h>

#include <random>

#include "core/Errors.h"
#include "kits/KitBytes.h"
#include "kits/KitFile.h"

namespace valdorin::kits {
namespace {

using namespace valdorin::kits::testing;

TKitWave readImage(const Bytes& image) {
    TKitWave w = wave(pattern(3), pattern(3));  // replaced by every read
    ReadWaveImage(w, image);
    return w;
}

TEST(WaveImageReader, ChunksAroundFormatAndDataAreSkipped) {
    const TKitWave w = readImage(riff({{"LIST", pattern(10)},
                                       {"fmt ", pcmFormat()},
                                       {"fact", pattern(4)},
                                       {"data", pattern(8, 3)},
                                       {"smpl", pattern(12)}}));
    EXPECT_EQ(w.format(), pcmFormat());
    EXPECT_EQ(w.data(), pattern(8, 3));
}

TEST(WaveImageReader, NoDataChunkGivesFormatOnly) {
    const TKitWave w = readImage(riff({{"fmt ", pcmFormat()}}));
    EXPECT_EQ(w.format(), pcmFormat());
    EXPECT_TRUE(w.data().empty());
}

TEST(WaveImageReader, NoBytesGiveAnEmptyWave) {
    const TKitWave w = readImage({});
    EXPECT_TRUE(w.format().empty());
    EXPECT_TRUE(w.data().empty());
}

TEST(WaveImageReader, LaterChunksReplaceEarlierOnes) {
    const TKitWave w = readImage(riff({{"fmt ", pattern(16, 1)},
                                       {"data", pattern(4, 1)},
                                       {"fmt ", pattern(18, 2)},
                                       {"data", pattern(6, 2)}}));
    EXPECT_EQ(w.format(), pattern(18, 2));
    EXPECT_EQ(w.data(), pattern(6, 2));
}

TEST(WaveImageReader, OddChunksAreTakenWithoutPadBytes) {
    // Sizes as stored: the "fmt " chunk starts right after the 3 bytes of "junk".
    const TKitWave w =
        readImage(riff({{"junk", pattern(3)}, {"fmt ", pattern(17)}, {"data", pattern(5)}}));
    EXPECT_EQ(w.format(), pattern(17));
    EXPECT_EQ(w.data(), pattern(5));
}

TEST(WaveImageReader, IdentifiersAreCaseSensitive) {
    const TKitWave w = readImage(riff({{"FMT ", pattern(16)}, {"DATA", pattern(4)}}));
    EXPECT_TRUE(w.format().empty());
    EXPECT_TRUE(w.data().empty());
}

TEST(WaveImageReader, TheWalkEndsAtZeroBytesAndAtASkipPastTheEnd) {
    Bytes zeroEnd = riff({{"fmt ", pattern(16)}, {"data", {1, 2}}});
    zeroEnd.push_back(0);  // the writer's closing byte
    zeroEnd.insert(zeroEnd.end(), {0, 0, 0, 'd', 'a', 't', 'a', 9, 9, 9, 9});
    EXPECT_EQ(readImage(zeroEnd).data(), (Bytes{1, 2}));

    // A chunk that says it runs far past the end ends the walk without an error.
    ByteWriter past;
    past.raw(riff({{"fmt ", pattern(16)}, {"data", {1, 2}}})).text("LIST").u32(0xFFFFFFF0);
    past.text("data").u32(0);
    EXPECT_EQ(readImage(past.bytes).data(), (Bytes{1, 2}));

    // A few bytes at the end count as a chunk header padded with zeros.
    Bytes tail = riff({{"fmt ", pattern(16)}, {"data", {1, 2}}});
    tail.insert(tail.end(), {'x', 'y'});
    EXPECT_EQ(readImage(tail).data(), (Bytes{1, 2}));
}

struct BadImage {
    const char* label;
    Bytes image;
    std::string message;
};

std::vector<BadImage> badImages() {
    std::vector<BadImage> c;
    const Bytes good = riff({{"fmt ", pcmFormat()}, {"data", pattern(8)}});
    Bytes riffWrong = good, waveWrong = good, bothWrong = good;
    riffWrong[0] = 'r';
    waveWrong[11] = 'e';
    bothWrong[0] = 'X';
    bothWrong[8] = 'X';
    c.push_back({"NotRiff", riffWrong, "Wave is invalid"});
    c.push_back({"NotWave", waveWrong, "Wave is invalid"});
    c.push_back({"NeitherRiffNorWave", bothWrong, "Wave is invalid"});
    c.push_back({"ElevenBytes", Bytes(good.begin(), good.begin() + 11), "Stream read error"});
    c.push_back({"OneByte", {'R'}, "Stream read error"});
    c.push_back({"FormatCut", Bytes(good.begin(), good.begin() + 30), "Stream read error"});
    c.push_back({"DataCut", Bytes(good.begin(), good.end() - 1), "Stream read error"});
    ByteWriter huge;
    huge.text("RIFF").u32(0).text("WAVE").text("data").u32(0xFFFFFFFF).text("tiny");
    c.push_back({"DataSizeLargerThanTheImage", huge.bytes, "Stream read error"});
    ByteWriter hugeFmt;
    hugeFmt.text("RIFF").u32(0).text("WAVE").text("fmt ").u32(0xFFFFFFFF);
    c.push_back({"FormatSizeLargerThanTheImage", hugeFmt.bytes, "Stream read error"});
    // A "data" header cut after its size's second byte: 0x0202 bytes of data are missing.
    ByteWriter cutHeader;
    cutHeader.text("RIFF").u32(0).text("WAVE").text("data").u8(2).u8(2);
    c.push_back({"DataHeaderCut", cutHeader.bytes, "Stream read error"});
    return c;
}

class WaveImageError : public ::testing::TestWithParam<BadImage> {};

TEST_P(WaveImageError, FailsWithTheMessageAndLeavesTheWaveEmpty) {
    TKitWave w = wave(pattern(16), pattern(16));
    EXPECT_EQ(errorOf([&] { ReadWaveImage(w, GetParam().image); }), GetParam().message);
    EXPECT_TRUE(w.format().empty());
    EXPECT_TRUE(w.data().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, WaveImageError, ::testing::ValuesIn(badImages()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(WaveImageReader, RandomBytesAfterTheHeaderGiveAnErrorOrAWave) {
    std::mt19937 rng(7);
    for (int round = 0; round < 5000; ++round) {
        ByteWriter w;
        w.text("RIFF").u32(rng()).text("WAVE");
        const std::size_t n = rng() % 80;
        for (std::size_t i = 0; i < n; ++i) {
            // Mostly small bytes, so sizes stay near the image and chunks get walked.
            const auto r = rng();
            w.u8(r % 3 == 0 ? std::uint8_t(r >> 8) : std::uint8_t(r % 24));
            if (r % 17 == 0)
                w.text(r % 2 ? "fmt " : "data");
        }
        TKitWave wv;
        try {
            ReadWaveImage(wv, w.bytes);
            EXPECT_LE(wv.format().size() + wv.data().size(), w.bytes.size());
        } catch (const valdorin::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Stream read error");
        }
    }
}

class WaveFiles : public ScratchDir {};

TEST_F(WaveFiles, SaveThenLoad) {
    const TKitWave w = wave(pcmFormat(1), pattern(9));
    SaveWaveFile(w, dir / "a.wav");
    EXPECT_EQ(readBytes(dir / "a.wav"), WaveImage(w));
    TKitWave back;
    LoadWaveFile(back, dir / "a.wav");
    EXPECT_EQ(back.format(), w.format());
    EXPECT_EQ(back.data(), w.data());
}

TEST_F(WaveFiles, EmptyWaveSavesZeroBytesAndLoadsBackEmpty) {
    writeBytes(dir / "e.wav", pattern(100));  // replaced
    SaveWaveFile(TKitWave{}, dir / "e.wav");
    EXPECT_EQ(std::filesystem::file_size(dir / "e.wav"), 0u);
    TKitWave back = wave(pattern(16), pattern(4));
    LoadWaveFile(back, dir / "e.wav");
    EXPECT_TRUE(back.format().empty());
    EXPECT_TRUE(back.data().empty());
}

TEST_F(WaveFiles, LoadsAnOrdinaryWavFile) {
    writeBytes(dir / "plain.wav", riff({{"fmt ", pcmFormat(2)},
                                        {"LIST", pattern(26)},
                                        {"data", pattern(400)},
                                        {"id3 ", pattern(10)}}));
    TKitWave w;
    LoadWaveFile(w, dir / "plain.wav");
    EXPECT_EQ(w.channels(), 2);
    EXPECT_EQ(w.data(), pattern(400));
}

TEST_F(WaveFiles, UnopenableFileLeavesTheWaveAsItWas) {
    TKitWave w = wave(pattern(16), pattern(4));
    EXPECT_EQ(errorOf([&] { LoadWaveFile(w, "missing.wav"); }), "Cannot open file missing.wav");
    EXPECT_EQ(errorOf([&] { LoadWaveFile(w, dir); }), "Cannot open file " + dir.string());
    EXPECT_EQ(w.data(), pattern(4));
}

TEST_F(WaveFiles, UncreatableFileKeepsTheOldOne) {
    const auto target = dir / "none" / "x.wav";
    EXPECT_EQ(errorOf([&] { SaveWaveFile(wave(pattern(16), {1}), target); }),
              "Cannot create file " + target.string());
    std::filesystem::create_directory(dir / "d.wav");
    EXPECT_EQ(errorOf([&] { SaveWaveFile(wave(pattern(16), {1}), dir / "d.wav"); }),
              "Cannot create file " + (dir / "d.wav").string());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "d.wav"));
}

TEST_F(WaveFiles, InvalidFileLeavesAnEmptyWave) {
    writeBytes(dir / "bad.wav", riff({{"fmt ", pcmFormat()}}, "RIFX"));
    TKitWave w = wave(pattern(16), pattern(4));
    EXPECT_EQ(errorOf([&] { LoadWaveFile(w, dir / "bad.wav"); }), "Wave is invalid");
    EXPECT_TRUE(w.empty());
}

}  // namespace
}  // namespace valdorin::kits
