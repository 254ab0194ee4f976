// The song renderer's plain side: row timing, the used instruments, the mixer's placements,
// volumes, pans and clipping, interruption, errors, and the temp files of the export.

#include <gtest/gtest.h>

#include <sndfile.h>

#include "RenderOracle.h"
#include "core/Errors.h"
#include "kits/KitFile.h"
#include "render/RenderFiles.h"
#include "render/Renderer.h"
#include "render/SongTiming.h"

namespace valdorin::render::test {
namespace {

using Row = std::array<std::string, 6>;

const Row kEmptyRow = {"", "", "", "", "", ""};

Row row(std::string c1, std::string c2 = "", std::string c3 = "") {
    return {std::move(c1), std::move(c2), std::move(c3), "", "", ""};
}

// ---- timing ----

std::vector<std::int64_t> rowFrames(const std::vector<std::string>& song) {
    std::vector<std::int64_t> frames;
    for (const SongRow& r : songRows(song))
        frames.push_back(std::llrint(176400.0 * r.start / 4));
    return frames;
}

TEST(SongTiming, RowsStartOneStepApartAtTempoSixty) {
    const auto song = CompiledSong{}.pattern(60, {row("a"), row("b"), row("c"), row("d")}).done();
    EXPECT_EQ(rowFrames(song), (std::vector<std::int64_t>{0, 5292, 10584, 15876}));
}

TEST(SongTiming, TheTempoLineSetsTheGapIntoTheNextPattern) {
    const auto song =
        CompiledSong{}.pattern(60, {row("a"), row("b")}).pattern(90, {row("c"), row("d")}).done();
    const auto rows = songRows(song);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_DOUBLE_EQ(rows[1].start, 0.12);
    EXPECT_DOUBLE_EQ(rows[2].start - rows[1].start, 0.18);
    EXPECT_DOUBLE_EQ(rows[3].start - rows[2].start, 0.18);
    EXPECT_EQ(rows[2].tempo, 90);
    // The cells of the second pattern's first row come after its "//" and tempo line.
    EXPECT_EQ(rows[2].cells[0], 2u + 12u + 2u);
}

TEST(SongTiming, TimesAccumulateOneAdditionPerRow) {
    CompiledSong b;
    b.pattern(7, std::vector<Row>(1000, row("x")));
    const auto rows = songRows(b.done());
    double t = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        t = t + 0.014;
        ASSERT_EQ(rows[i].start, t) << i;  // bit for bit, not i * 0.014
    }
}

TEST(SongTiming, StopsAtTheEndLineAndRejectsABadTempo) {
    auto song = CompiledSong{}.pattern(60, {row("a")}).done();
    song.insert(song.end(), {"x", "", "", "", "", ""});
    EXPECT_EQ(songRows(song).size(), 1u);
    const std::vector<std::string> bad = {"//", "fast", "", "", "", "", "", "", "%%%"};
    EXPECT_THROW(
        {
            try {
                songRows(bad);
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "'fast' is not a valid integer value");
                throw;
            }
        },
        Error);
}

// ---- used instruments ----

TEST(UsedInstruments, DistinctPositionsInOrderWithTheVolumeDigitSetAside) {
    const auto song = CompiledSong{}
                          .pattern(60, {row(kitCell("Snare", '3'), "Sample2", kitCell("Kick")),
                                        row(kitCell("KICK", '8'), "sample2", "")})
                          .done();
    EXPECT_EQ(usedInstruments(song), (std::vector<int>{1, 3, 18}));
}

TEST(UsedInstruments, MoreThanTwentyFourAreAllListed) {
    CompiledSong b;
    std::vector<Row> rows;
    for (int k = 1; k <= 32; ++k)
        rows.push_back(row("Sample" + std::to_string(k)));
    rows.push_back(row(kitCell("Tamb")));
    b.pattern(60, rows);
    auto song = b.done();
    song.push_back(kitCell("Kick"));  // after the end line: not part of the song
    const auto used = usedInstruments(song);
    ASSERT_EQ(used.size(), 33u);
    EXPECT_EQ(used.front(), 16);
    EXPECT_EQ(used.back(), 48);
}

// ---- the mixer ----

class Mixer : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        temp = dir / "temp";
        std::filesystem::create_directories(temp);
        settings.tempDirectory = temp;
    }

    void kitSound(int entry, const TestSound& s) {
        sounds[static_cast<std::size_t>(entry)] = s;
        writeAll(kitEntryFile(temp, entry), s.wav());
    }
    void slotSound(int slot, const TestSound& s, SlotSettings how) {
        sounds[static_cast<std::size_t>(16 + slot)] = s;
        settings.sampleSlots[static_cast<std::size_t>(slot)] = how;
        writeAll(sampleFile(temp, slot), s.wav());
    }

    // Renders the song into dir / "out.wav" as the program does.
    MixResult render(const std::vector<std::string>& song, MixObserver* observer = nullptr) {
        MixObserver quiet;
        auto destination = openRenderDestination(dir);
        const MixResult r = mixSong(song, usedInstruments(song), settings, *destination,
                                    observer ? *observer : quiet);
        destination->SaveToFile(dir / "out.wav");
        return r;
    }
    Bytes output() const { return readAll(dir / "out.wav"); }

    // The oracle's output for the song: each used instrument in increasing position, within
    // it the cells in song order.
    OracleMix expected(const std::vector<std::string>& song) const {
        OracleMix mix;
        const auto rows = songRows(song);
        for (int i = 1; i <= 48; ++i)
            for (const auto& r : rows)
                for (int c = 0; c < r.cellCount; ++c) {
                    const std::string& text = song[r.cells[static_cast<std::size_t>(c)]];
                    const Lookup cell = lookupCell(text);
                    if (i == 1 && !text.empty())
                        EXPECT_GT(cell.position, 0) << "no instrument: " << text;
                    if (cell.position != i)
                        continue;
                    const TestSound& s = sounds[static_cast<std::size_t>(i)];
                    if (i <= 16) {
                        // (4000 - 500 x step) x 0.00025, held at 0 for the digit 9.
                        const double volume =
                            std::max(0.0, (4000 - 500 * cell.volumeStep) * 0.00025);
                        mix.add(s, s.rate, r.start, settings.kitPans[i] * 0.0005, volume);
                    } else {
                        const SlotSettings& slot =
                            settings.sampleSlots[static_cast<std::size_t>(i - 16)];
                        mix.add(s, slot.frequency, r.start, slot.pan * 0.0005,
                                (slot.volume + 4000) * 0.00025);
                    }
                }
        return mix;
    }

    std::filesystem::path temp;
    MixSettings settings;
    std::array<TestSound, 49> sounds;
};

TEST_F(Mixer, KicksStartAtEveryRow) {
    TestSound click;
    click.frames = {{1000, -1000}};
    kitSound(1, click);
    const auto song =
        CompiledSong{}.pattern(60, std::vector<Row>(3, row(kitCell("Kick", '0')))).done();
    render(song);
    const auto frames = framesOf(output());
    ASSERT_EQ(frames.size(), 10585u);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const bool onset = f == 0 || f == 5292 || f == 10584;
        EXPECT_EQ(frames[f][0], onset ? 1000 : 0) << f;
        EXPECT_EQ(frames[f][1], onset ? -1000 : 0) << f;
    }
}

TEST_F(Mixer, LeadingEmptyRowsAreSilenceAndTrailingOnesAddNothing) {
    kitSound(3, testSound(50, 8000, 1));
    const auto song =
        CompiledSong{}.pattern(60, {kEmptyRow, kEmptyRow, row(kitCell("Snare")), kEmptyRow}).done();
    render(song);
    const auto frames = framesOf(output());
    ASSERT_EQ(frames.size(), 10584u + 50u);  // 0.24 s of silence, then the snare
    for (std::size_t f = 0; f < 10584; ++f)
        ASSERT_EQ(frames[f], (std::array<int, 2>{0, 0})) << f;
    EXPECT_EQ(frames, expected(song).out);
}

TEST_F(Mixer, VolumeDigitsPansAndOverlapsFollowTheRules) {
    // Digit 4 is half amplitude, 8 and 9 silent, blank 0.875; the pans move each side.
    kitSound(1, testSound(9000, 12000, 1));
    kitSound(2, testSound(300, 9000, 2));
    kitSound(5, testSound(700, 5000, 3));
    settings.kitPans[2] = -1000;
    settings.kitPans[5] = 2000;
    const auto song = CompiledSong{}
                          .pattern(50, {row(kitCell("Kick", '4'), kitCell("Short Kick")),
                                        row(kitCell("Kick", '0'), kitCell("OpHiat", '9')),
                                        row(kitCell("Kick", '8'), kitCell("ophiat", '2'))})
                          .done();
    render(song);
    const auto want = expected(song);
    EXPECT_EQ(framesOf(output()), want.out);
    // The first kick at half amplitude, alone until the second (0.1 s later) overlaps it.
    const auto frames = framesOf(output());
    EXPECT_EQ(frames[100][0], std::lrint(sounds[1].frames[100][0] * 0.5));
}

TEST_F(Mixer, LoudSoundsClipAtPlusAndMinus32767) {
    TestSound loud;
    loud.frames = std::vector<std::array<int, 2>>(200, {30000, -30000});
    kitSound(1, loud);
    kitSound(3, loud);
    const auto song =
        CompiledSong{}.pattern(60, {row(kitCell("Kick", '0'), kitCell("Snare", '0'))}).done();
    render(song);
    for (const auto& f : framesOf(output()))
        ASSERT_EQ(f, (std::array<int, 2>{32767, -32767}));
}

TEST_F(Mixer, SampleSlotsPlayAtTheirFrequencyVolumeAndPan) {
    slotSound(1, testSound(400, 20000, 4, 22050), {30000, 3000, -1000});
    slotSound(3, testSound(333, 15000, 5, 44100), {11025, -4000, 0});
    const auto song = CompiledSong{}
                          .pattern(60, {row("Sample1", "SAMPLE3"), row("", "Sample1")})
                          .pattern(66, {row("sample3")}, 3)
                          .done();
    render(song);
    EXPECT_EQ(framesOf(output()), expected(song).out);
}

TEST_F(Mixer, AKitEntryWithoutSoundAddsNothing) {
    kitSound(1, testSound(300, 9000, 1));
    writeAll(kitEntryFile(temp, 2), {});  // as the export writes an empty entry
    const auto song = CompiledSong{}
                          .pattern(60, {row(kitCell("Kick", '0')), row(kitCell("Short Kick", '0'))})
                          .done();
    render(song);
    OracleMix kickOnly;
    kickOnly.add(sounds[1], 44100, 0.0, 0.0, 1.0);
    EXPECT_EQ(framesOf(output()), kickOnly.out);
}

TEST_F(Mixer, AnAllEmptySongGivesAFileOf44Bytes) {
    const auto song = CompiledSong{}.pattern(60, {kEmptyRow, kEmptyRow}, 2).done();
    EXPECT_EQ(render(song), MixResult::Completed);
    EXPECT_EQ(output().size(), 44u);
    EXPECT_EQ(le32At(output(), 4), 36u);
}

// Ends the render at the nth placement.
struct StopAt : MixObserver {
    int placements = 0;
    int stopAt = 0;
    std::vector<std::string> labels;
    std::vector<int> passes;
    void passStarted(int position, int) override { passes.push_back(position); }
    void adding(const std::string& label) override {
        labels.push_back(label);
        ++placements;
    }
    bool interrupted() override { return stopAt > 0 && placements >= stopAt; }
};

TEST_F(Mixer, AnInterruptedRenderKeepsWhatWasMixedSoFar) {
    kitSound(1, testSound(100, 9000, 1));
    slotSound(2, testSound(100, 9000, 2), {44100, 0, 0});
    const auto song =
        CompiledSong{}.pattern(60, {row(kitCell("Kick"), "Sample2"), row(kitCell("Kick"))}).done();
    StopAt stop;
    stop.stopAt = 3;  // both kicks and the first sample placement
    EXPECT_EQ(render(song, &stop), MixResult::Interrupted);
    EXPECT_EQ(stop.labels,
              (std::vector<std::string>{"Kick      [ ]", "Kick      [ ]", "Sample 2"}));
    EXPECT_EQ(stop.passes, (std::vector<int>{1, 18}));
    // All of it was mixed: the stop came after the last placement.
    EXPECT_EQ(framesOf(output()), expected(song).out);

    stop = StopAt{};
    stop.stopAt = 1;
    EXPECT_EQ(render(song, &stop), MixResult::Interrupted);
    OracleMix first;
    first.add(sounds[1], 44100, 0.0, 0.0, 0.875);
    EXPECT_EQ(framesOf(output()), first.out);
}

TEST_F(Mixer, ABadVolumeDigitStopsTheFirstKitPassWhereItStands) {
    kitSound(1, testSound(100, 9000, 1));
    slotSound(1, testSound(100, 9000, 2), {44100, 0, 0});
    const auto song =
        CompiledSong{}
            .pattern(60, {row(kitCell("Kick")), row(kitCell("Kick", 'x')), row(kitCell("Kick"))})
            .done();
    StopAt count;
    auto destination = openRenderDestination(dir);
    try {
        mixSong(song, usedInstruments(song), settings, *destination, count);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(count.placements, 1);  // the kick before the bad cell was mixed

    // A sample-only song never decodes volume digits.
    const auto samples = CompiledSong{}.pattern(60, {row("Sample1", "Hello world!")}).done();
    EXPECT_EQ(render(samples), MixResult::Completed);
}

TEST_F(Mixer, EveryOneOfMoreThanTwentyFourInstrumentsRenders) {
    std::vector<Row> rows;
    for (int i = 1; i <= 16; ++i) {
        kitSound(i, testSound(40, 300 * i, i));
        rows.push_back(row(kitCell(std::string(instrumentEntry(i)).substr(0, 10))));
    }
    for (int k = 1; k <= 12; ++k) {
        slotSound(k, testSound(50, 200 * k, k + 20), {44100, 0, -100 * k});
        rows.push_back(row("Sample" + std::to_string(k)));
    }
    const auto song = CompiledSong{}.pattern(1, rows).done();
    ASSERT_EQ(usedInstruments(song).size(), 28u);
    render(song);
    const auto got = framesOf(output());
    const auto want = expected(song).out;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t f = 0; f < got.size(); ++f)
        ASSERT_EQ(got[f], want[f]) << f;
}

// ---- the temp files ----

class Export : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        temp = dir / "temp";
        std::filesystem::create_directories(temp);
    }
    std::filesystem::path temp;
};

// A sound file written by libsndfile in any format, from float frames in -1..1 (stereo).
Bytes soundFile(const std::filesystem::path& path, int format, int rate,
                const std::vector<float>& stereo) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_float(f, stereo.data(), static_cast<sf_count_t>(stereo.size() / 2));
    sf_close(f);
    return readAll(path);
}

std::vector<float> ramp(int frames) {
    std::vector<float> v;
    for (int n = 0; n < frames; ++n)
        v.insert(v.end(),
                 {static_cast<float>(n) / frames - 0.5f, 0.25f - static_cast<float>(n % 7) / 10});
    return v;
}

// The 16-bit values a float value of -1..1 becomes.
int as16(double v) {
    return static_cast<int>(std::clamp(std::nearbyint(v * 32768), -32768.0, 32767.0));
}

TEST_F(Export, SixteenBitSoundsAreWrittenAsReadAndOthersConvertedToSixteenBits) {
    const std::vector<float> frames = ramp(300);
    struct Case {
        const char* name;
        int format;
    };
    for (const Case& c : {Case{"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                          Case{"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                          Case{"pcm32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32},
                          Case{"sound.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                          Case{"sound.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}}) {
        SCOPED_TRACE(c.name);
        soundFile(dir / c.name, c.format, 32000, frames);
        exportSample(c.name, 5, dir, temp);  // a relative name is found in the program directory
        TWave w;
        w.LoadFromFile(sampleFile(temp, 5));
        EXPECT_EQ(w.WaveFormat.bitsPerSample, 16);
        EXPECT_EQ(w.WaveFormat.sampleRate, 32000);
        ASSERT_EQ(w.FrameCount, 300);
        for (int n = 0; n < 300; n += 37)
            for (int ch = 0; ch < 2; ++ch)
                EXPECT_NEAR(w.GetSample(ch, n), as16(frames[static_cast<std::size_t>(2 * n + ch)]),
                            1)
                    << n;
    }

    // 16-bit PCM WAV: the file's own sound, byte for byte as the wave writer gives it.
    const Bytes pcm16 =
        soundFile(dir / "pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 32000, frames);
    exportSample((dir / "pcm16.wav").string(), 6, dir, temp);
    kits::TKitWave wave;
    kits::ReadWaveImage(wave, pcm16);
    EXPECT_EQ(readAll(sampleFile(temp, 6)), kits::WaveImage(wave));
}

TEST_F(Export, AFloatKitEntryRendersAtItsTrueSound) {
    kits::TWaveCollection kit;
    for (int i = 0; i < 17; ++i)
        kit.AddEntry();
    const Bytes image = soundFile(dir / "f.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, ramp(64));
    kits::ReadWaveImage(kit.EntryAt(2).Wave, image);
    kits::ReadWaveImage(kit.EntryAt(3).Wave, riff({chunk("fmt ", formatBody(1, 22050, 8)),
                                                   chunk("data", {0x00, 0x80, 0xFF})}));
    exportKit(kit, temp);
    EXPECT_EQ(std::filesystem::file_size(kitEntryFile(temp, 0)), 0u);  // empty entry
    EXPECT_EQ(readAll(kitEntryFile(temp, 3)), kits::WaveImage(kit.EntryAt(3).Wave));
    TWave w;
    w.LoadFromFile(kitEntryFile(temp, 2));
    EXPECT_EQ(w.WaveFormat.bitsPerSample, 16);
    ASSERT_EQ(w.FrameCount, 64);
    EXPECT_EQ(w.GetSample(0, 0), as16(-0.5));
    EXPECT_EQ(w.GetSample(1, 10), as16(0.25f - 0.3f));
}

TEST_F(Export, FailuresNameTheFile) {
    kits::TWaveCollection small;
    for (int i = 0; i < 16; ++i)
        small.AddEntry();
    try {
        exportKit(small, temp);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (16)");
    }
    EXPECT_TRUE(std::filesystem::exists(kitEntryFile(temp, 15)));

    write("notes.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_THROW(exportSample("notes.txt", 1, dir, temp), Error);
    EXPECT_FALSE(std::filesystem::exists(sampleFile(temp, 1)));
    try {
        exportSample((dir / "missing.wav").string(), 2, dir, temp);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file", 0), 0u) << e.what();
    }
}

TEST_F(Export, AnEmptySlotTakesBlankWavFromTheProgramDirectory) {
    const Bytes blank =
        riff({chunk("fmt ", formatBody(2, 22050, 16)), chunk("data", samples16({5, -5}))});
    write("blank.WAV", blank);  // found without regard to letter case
    exportSample("Blank.wav", 7, dir, temp);
    kits::TKitWave wave;
    kits::ReadWaveImage(wave, blank);
    EXPECT_EQ(readAll(sampleFile(temp, 7)), kits::WaveImage(wave));
    for (int k = 1; k <= 32; ++k)
        writeAll(sampleFile(temp, k), {1});
    removeSampleFiles(temp);
    EXPECT_TRUE(std::filesystem::is_empty(temp));
}

}  // namespace
}  // namespace valdorin::render::test
