// TWave against LiteralWave, the sample-by-sample transcription: random sequences of every
// operation must leave the same bytes, FrameCount and window; and one stored reference mix.
//
// To chase a failing run: WAV_SEED=n runs that seed alone (WAV_BIG=1 for the window-edge
// runs), WAV_TRACE=1 prints each operation, WAV_CHECKALL=1 compares the saved images after
// every step.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Text.h"
#include "render/LiteralWave.h"
#include "render/WavBytes.h"
#include "render/wavaudio.h"

namespace valdorin::render::test {
namespace {

struct Format {
    std::uint16_t channels, bits, blockAlign;
};

// Regular formats, and ones whose samples overlap (stereo 16-bit in 2 bytes) or leave a gap.
const std::vector<Format> kFormats = {{2, 16, 4}, {1, 16, 2}, {2, 8, 2},  {1, 8, 1}, {4, 16, 8},
                                      {3, 8, 3},  {2, 16, 2}, {2, 16, 6}, {0, 16, 2}};

// The same wave twice: the object under test and the transcription.
struct Twin {
    TWave t;
    LiteralWave l;

    void load(const std::filesystem::path& path, const Format& f, std::int32_t rate,
              const Bytes& data) {
        writeAll(path, riff({chunk("fmt ", formatBody(f.channels, rate, f.bits, f.blockAlign)),
                             chunk("data", data)}));
        t.LoadFromFile(path);
        l.WaveFormat = t.WaveFormat;
        l.Data = data;
        l.FrameCount = std::int32_t(nearInt(double(data.size()) / f.blockAlign));
    }
    void backing(const std::filesystem::path& dir, const std::string& name) {
        t.BackingFileName = dir / (name + ".t");
        l.BackingFileName = dir / (name + ".l");
    }
    void setFileBacked(bool on) {
        t.SetFileBacked(on);
        l.SetFileBacked(on);
    }
};

class Oracle : public ScratchDir {
  protected:
    // Saves both and compares the images; both write their windows back first.
    void expectSameImage(Twin& w, const std::string& where) {
        // A fresh name each time: replacing a file makes the file system flush it.
        const auto path = file("t" + std::to_string(++saves) + ".wav");
        w.t.SaveToFile(path);
        const Bytes mine = readAll(path);
        std::filesystem::remove(path);
        const Bytes literal = w.l.SaveImage();
        ASSERT_EQ(mine.size(), literal.size()) << where;
        for (std::size_t i = 0; i < mine.size(); ++i)
            ASSERT_EQ(int(mine[i]), int(literal[i])) << where << ", byte " << i;
        expectSameState(w, where);
    }
    void expectSameState(Twin& w, const std::string& where) {
        ASSERT_EQ(w.t.FrameCount, w.l.FrameCount) << where;
        ASSERT_EQ(w.t.WindowStart(), w.l.WindowStart) << where;
        ASSERT_EQ(w.t.FileBacked(), w.l.FileBacked) << where;
    }

    int saves = 0;

    Bytes randomBytes(std::mt19937& rng, std::size_t n) {
        Bytes b(n);
        for (auto& x : b)
            x = std::uint8_t(rng());
        return b;
    }

    // One random run of operations; big puts the data and the writes around the window's end.
    void run(unsigned seed, bool big) {
        const auto saved = dir;
        dir = saved / std::to_string(seed);
        std::filesystem::create_directories(dir);
        runOnce(seed, big);
        std::filesystem::remove_all(dir);
        dir = saved;
    }
    void runOnce(unsigned seed, bool big) {
        std::mt19937 rng(seed);
        auto pick = [&](auto n) { return decltype(n)(rng() % n); };
        const Format f = kFormats[pick(kFormats.size())];
        const std::int32_t rates[] = {44100, 22050, 8000};
        const std::int32_t rate = rates[pick(3)];
        const std::int64_t window = TWave::WindowFrames;
        const std::int64_t frames = big ? window - 40 + pick(80) : pick(60);
        Twin dest;
        dest.backing(dir, "dest");
        dest.load(file("dest.wav"), f, rate,
                  randomBytes(rng, std::size_t(frames * f.blockAlign + pick(3))));
        dest.setFileBacked(pick(3) != 0);

        // Sources: memory mode in various formats, one file-backed.
        std::vector<std::unique_ptr<Twin>> sources;
        for (int i = 0; i < 4; ++i) {
            auto s = std::make_unique<Twin>();
            const Format sf = kFormats[pick(kFormats.size() - 1)];
            const std::int32_t srate = i == 3 ? 0 : rates[pick(3)];
            const std::size_t len = std::size_t((1 + pick(40)) * sf.blockAlign + pick(2));
            s->load(file("src" + std::to_string(i) + ".wav"), sf, srate, randomBytes(rng, len));
            sources.push_back(std::move(s));
        }
        sources[0]->backing(dir, "src0");
        sources[0]->setFileBacked(true);

        auto someFrame = [&]() -> int {
            const std::int64_t fc = dest.t.FrameCount;
            switch (pick(big ? 5 : 3)) {
                case 0:
                    return int(pick(fc + 8));
                case 1:
                    return int(fc - 3 + pick(7));
                case 2:
                    return int(pick(20)) - 2;
                case 3:
                    return int(window - 4 + pick(8));
                default:
                    return int(dest.t.WindowStart() + window - 3 + pick(6));
            }
        };

        const bool trace = std::getenv("WAV_TRACE") != nullptr;
        if (trace)
            std::printf("format ch %d bits %d ba %d rate %d frames %lld backed %d FC %d\n",
                        f.channels, f.bits, f.blockAlign, rate, (long long)frames,
                        dest.t.FileBacked(), dest.t.FrameCount);
        const int steps = big ? 40 : 80;
        for (int step = 0; step < steps; ++step) {
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            switch (pick(12)) {
                case 0:
                    dest.setFileBacked(pick(2) == 1);
                    break;
                case 1:
                case 2:
                case 3: {
                    const int c = int(pick(f.channels + 3)) - 1;
                    const int frame = someFrame();
                    const auto value = std::int16_t(rng());
                    if (trace)
                        std::printf("%d SetSample %d %d %d\n", step, c, frame, value);
                    dest.t.SetSample(c, frame, value);
                    dest.l.SetSample(c, frame, value);
                    break;
                }
                case 4:
                    dest.t.FlushWindow();
                    dest.l.FlushWindow();
                    break;
                case 5:
                    dest.t.LoadWindow();
                    dest.l.LoadWindow();
                    break;
                case 6:
                    // Saving costs an fsync: now and then.
                    if (pick(4) == 0)
                        expectSameImage(dest, where);
                    break;
                default: {
                    const int which = int(pick(sources.size() + 2));
                    TWave* ts = nullptr;
                    LiteralWave* ls = nullptr;
                    if (which < int(sources.size())) {
                        ts = &sources[which]->t;
                        ls = &sources[which]->l;
                    } else if (which == int(sources.size()) && dest.t.FrameCount < 1000) {
                        // Into itself only while small: each such mix can multiply the length.
                        ts = &dest.t;
                        ls = &dest.l;
                    }
                    const int playRates[] = {44100, 22050, 48000, 11025, 88200, 0, 7000, 44100};
                    const int playRate = playRates[pick(8)];
                    const double start =
                        double(someFrame()) / (rate ? rate : 1) + (pick(4) == 0 ? 1e-5 : 0);
                    const double pans[] = {-2, -1, -0.5, 0, 0.3, 1, 2, 0.75};
                    const double volumes[] = {0, 0.5, 1, 1.7, 3, 0.333, 1, 1};
                    const double pan = pans[pick(8)], volume = volumes[pick(8)];
                    if (trace)
                        std::printf("%d MixIn src %d rate %d start %.9g pan %g vol %g\n", step,
                                    which, playRate, start, pan, volume);
                    dest.t.MixIn(ts, playRate, start, pan, volume);
                    dest.l.MixIn(ls, playRate, start, pan, volume);
                }
            }
            if (trace)
                std::printf("   -> FC %d WS %d backed %d size %lld\n", dest.t.FrameCount,
                            dest.t.WindowStart(), dest.t.FileBacked(),
                            (long long)dest.t.DataSize());
            expectSameState(dest, where);
            if (std::getenv("WAV_CHECKALL"))
                expectSameImage(dest, where + " (check)");
            if (HasFatalFailure())
                return;
            // Small data: every sample, with the channels and frames just outside.
            if (!big && dest.t.FrameCount < 400) {
                for (int frame = -1; frame <= dest.t.FrameCount + 1; ++frame)
                    for (int c = -1; c <= f.channels + 1; ++c)
                        ASSERT_EQ(dest.t.GetSample(c, frame), dest.l.GetSample(c, frame))
                            << where << " channel " << c << " frame " << frame;
            }
            for (int probe = 0; probe < 12; ++probe) {
                const int c = int(pick(f.channels + 3)) - 1;
                const int frame = someFrame();
                ASSERT_EQ(dest.t.GetSample(c, frame), dest.l.GetSample(c, frame))
                    << where << " channel " << c << " frame " << frame;
            }
        }
        expectSameImage(dest, "seed " + std::to_string(seed) + " end");
    }
};

TEST_F(Oracle, RandomOperationSequencesGiveTheSameBytes) {
    if (const char* one = std::getenv("WAV_SEED"))
        return run(unsigned(std::atoi(one)), std::getenv("WAV_BIG") != nullptr);
    for (unsigned seed = 1; seed <= 150 && !HasFatalFailure(); ++seed)
        run(seed, false);
}

TEST_F(Oracle, RandomOperationsAroundTheWindowEdge) {
    for (unsigned seed = 1001; seed <= 1008 && !HasFatalFailure(); ++seed)
        run(seed, true);
}

// A stereo hit with a window boundary and the data's end inside it, into both modes.
TEST_F(Oracle, MixAcrossTheWindowBoundary) {
    for (bool backed : {true, false}) {
        Twin dest;
        dest.backing(dir, "dest");
        std::mt19937 rng(5);
        dest.load(file("dest.wav"), {2, 16, 4}, 44100,
                  randomBytes(rng, std::size_t(TWave::WindowFrames + 300) * 4));
        dest.setFileBacked(backed);
        Twin src;
        src.load(file("src.wav"), {2, 16, 4}, 44100, randomBytes(rng, 40000));
        for (double start : {0.0, 11.3, 11.33, 11.5}) {
            dest.t.MixIn(&src.t, 40000, start, 0.2, 0.9);
            dest.l.MixIn(&src.l, 40000, start, 0.2, 0.9);
            expectSameState(dest, "start " + std::to_string(start));
        }
        expectSameImage(dest, backed ? "file-backed" : "memory");
    }
}

// ---- the reference mix ---------------------------------------------------------------------

const std::filesystem::path kReference =
    std::filesystem::path(VALDORIN_TEST_DATA) / "render" / "reference_mix.wav";

// 0.2 s of stereo: a triangle wave on the left, pseudo-random noise on the right.
Bytes referenceSource() {
    std::vector<int> values;
    std::uint32_t noise = 12345;
    for (int f = 0; f < 8820; ++f) {
        const int phase = f % 200;
        values.push_back((phase < 100 ? phase : 200 - phase) * 600 - 30000);
        noise = noise * 1103515245u + 12345u;
        values.push_back(int((noise >> 16) & 0x7FFF) - 16384);
    }
    return samples16(values);
}

struct Placement {
    int playRate;
    double start, pan, volume;
};
const Placement kPlacements[] = {
    {44100, 0.0, 0.0, 0.8}, {30000, 0.05, -0.6, 1.5}, {61000, 0.12, 0.4, 2.5}};

template <typename Wave>
void mixReference(Wave& dest, Wave& source) {
    for (const auto& p : kPlacements)
        dest.MixIn(&source, p.playRate, p.start, p.pan, p.volume);
}

TEST_F(Oracle, ReferenceMixMatchesTheStoredFile) {
    writeAll(file("src.wav"),
             riff({chunk("fmt ", formatBody(2, 44100, 16)), chunk("data", referenceSource())}));
    TWave source;
    source.LoadFromFile(file("src.wav"));
    TWave dest;
    dest.BackingFileName = file("work.tmp");
    dest.SetFileBacked(true);
    mixReference(dest, source);
    dest.SaveToFile(file("mix.wav"));

    const Bytes mine = readAll(file("mix.wav"));
    const Bytes reference = readAll(kReference);
    ASSERT_GT(reference.size(), 44u) << kReference;
    ASSERT_EQ(mine.size(), reference.size());
    EXPECT_TRUE(std::equal(mine.begin(), mine.begin() + 44, reference.begin()));
    for (std::size_t i = 44; i + 1 < mine.size(); i += 2) {
        const int a = std::int16_t(mine[i] | (mine[i + 1] << 8));
        const int b = std::int16_t(reference[i] | (reference[i + 1] << 8));
        ASSERT_EQ(a, b) << "frame " << (i - 44) / 4 << " channel " << (i - 44) / 2 % 2;
    }
}

// Writes tests/data/render/reference_mix.wav with the transcription. Run once by hand:
//   valdorin_render_tests --gtest_also_run_disabled_tests --gtest_filter='*WriteReferenceMix'
TEST_F(Oracle, DISABLED_WriteReferenceMix) {
    LiteralWave source;
    source.Data = referenceSource();
    source.FrameCount = std::int32_t(source.Data.size() / 4);
    LiteralWave dest;
    dest.BackingFileName = file("work.tmp");
    dest.SetFileBacked(true);
    mixReference(dest, source);
    std::filesystem::create_directories(kReference.parent_path());
    writeAll(kReference, dest.SaveImage());
}

}  // namespace
}  // namespace valdorin::render::test
