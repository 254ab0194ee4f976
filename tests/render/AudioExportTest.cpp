// A rendered WAV in other formats: FLAC decodes to exactly the WAV's samples, Ogg Vorbis keeps
// the song's length and format, and the format follows the name or the word given.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "render/AudioExport.h"
#include "render/WavBytes.h"
#include "render/wavaudio.h"

namespace valdorin::render::test {
namespace {

struct Decoded {
    SF_INFO info{};
    std::vector<short> samples;
};

Decoded decode(const std::filesystem::path& p) {
    Decoded d;
    SNDFILE* f = sf_open(p.c_str(), SFM_READ, &d.info);
    if (!f)
        throw std::runtime_error("libsndfile cannot read " + p.string());
    // Read to the end: an Ogg stream without audio reports no frame count of its own.
    std::vector<short> block(std::size_t(4096 * d.info.channels));
    sf_count_t n;
    while ((n = sf_readf_short(f, block.data(), 4096)) > 0)
        d.samples.insert(d.samples.end(), block.begin(), block.begin() + n * d.info.channels);
    sf_close(f);
    return d;
}

class AudioExport : public ScratchDir {
  protected:
    // A render-shaped WAV (44100 Hz, 16-bit stereo, 44-byte header) written by TWave: a
    // decaying tone on the left, noise on the right, full-scale samples at the ends.
    std::filesystem::path renderedWav(int frames) {
        std::vector<int> values;
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> noise(-32767, 32767);
        for (int i = 0; i < frames; ++i) {
            values.push_back(int(30000 * std::exp(-i / 8000.0) * std::sin(i * 0.05)));
            values.push_back(noise(rng));
        }
        if (frames > 0) {
            values[0] = 32767;
            values.back() = -32767;
        }
        TWave w;
        loadStereo(w, values, "source.wav");
        w.SaveToFile(file("song.wav"));
        return file("song.wav");
    }
};

TEST_F(AudioExport, FlacDecodesToTheSamplesOfTheWav) {
    const auto wav = renderedWav(50000);
    ConvertWav(wav, file("song.flac"), AudioFormat::Flac);
    const Decoded original = decode(wav);
    const Decoded flac = decode(file("song.flac"));
    EXPECT_EQ(flac.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    EXPECT_EQ(flac.info.samplerate, 44100);
    EXPECT_EQ(flac.info.channels, 2);
    EXPECT_EQ(flac.samples, original.samples);
    EXPECT_LT(std::filesystem::file_size(file("song.flac")), std::filesystem::file_size(wav));
}

TEST_F(AudioExport, OggKeepsTheLengthAndFormat) {
    const auto wav = renderedWav(44100);
    ConvertWav(wav, file("song.ogg"), AudioFormat::Ogg);
    const Decoded ogg = decode(file("song.ogg"));
    EXPECT_EQ(ogg.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
    EXPECT_EQ(ogg.info.samplerate, 44100);
    EXPECT_EQ(ogg.info.channels, 2);
    EXPECT_EQ(ogg.samples.size(), 2u * 44100);
}

TEST_F(AudioExport, SilentSongGivesAnEmptyStream) {
    // An all-empty song renders to a WAV of its 44-byte header alone.
    TWave w;
    w.SaveToFile(file("empty.wav"));
    for (const auto format : {AudioFormat::Flac, AudioFormat::Ogg}) {
        ConvertWav(file("empty.wav"), file("empty.out"), format);
        EXPECT_TRUE(decode(file("empty.out")).samples.empty());
    }
}

TEST_F(AudioExport, ReplacesAnOldFileAndLeavesItWholeOnFailure) {
    const auto wav = renderedWav(1000);
    writeAll(file("song.flac"), {1, 2, 3});
    ConvertWav(wav, file("song.flac"), AudioFormat::Flac);
    EXPECT_EQ(decode(file("song.flac")).samples, decode(wav).samples);

    writeAll(file("old.flac"), {1, 2, 3});
    EXPECT_THROW(ConvertWav(file("missing.wav"), file("old.flac"), AudioFormat::Flac), Error);
    EXPECT_EQ(readAll(file("old.flac")), (Bytes{1, 2, 3}));
}

TEST_F(AudioExport, UnreadableInputAndUnwritableOutputGiveTheMessages) {
    const auto wav = renderedWav(100);
    writeAll(file("noise.wav"), {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
    const auto unwritable = file("no-such-dir") / "out.flac";
    struct Case {
        std::filesystem::path in, out;
        AudioFormat format;
        std::string message;
    };
    const std::vector<Case> cases = {
        {file("missing.wav"), file("a.flac"), AudioFormat::Flac,
         "Cannot open file " + file("missing.wav").string()},
        {file("noise.wav"), file("a.ogg"), AudioFormat::Ogg,
         "Cannot open file " + file("noise.wav").string()},
        {wav, unwritable, AudioFormat::Flac, "Cannot create file " + unwritable.string()},
        {wav, unwritable, AudioFormat::Wav, "Cannot create file " + unwritable.string()},
    };
    for (const auto& c : cases) {
        try {
            ConvertWav(c.in, c.out, c.format);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(AudioFormatChoice, ByExtensionAndByName) {
    EXPECT_EQ(audioFormatOf("a/song.flac"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatOf("song.FLAC"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatOf("song.ogg"), AudioFormat::Ogg);
    EXPECT_EQ(audioFormatOf("song.wav"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatOf("song"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatOf("song.flac.bak"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatNamed("Ogg"), AudioFormat::Ogg);
    EXPECT_EQ(audioFormatNamed("flac"), AudioFormat::Flac);
    EXPECT_EQ(audioFormatNamed("wav"), AudioFormat::Wav);
    EXPECT_EQ(audioFormatNamed("mp3"), std::nullopt);
}

}  // namespace
}  // namespace valdorin::render::test
