// valdorin-cli render and song info on whole program directories, and the two stored
// reference renders: each song's output is worked out in this file from the render's rules
// (row times, volume digits, pans, play rates, the 16-bit conversion of other formats,
// clipping), and both the stored file and the program's render must match it sample by sample.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <sstream>

#include "RenderOracle.h"
#include "cli/Cli.h"
#include "core/InstrumentList.h"
#include "core/PanFile.h"
#include "kits/KitFile.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"

namespace valdorin::render::test {
namespace {

using Row = std::array<std::string, 6>;

// Instrument names are matched without regard to letter case.
bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

struct Pattern {
    std::string name;
    int tempo;
    int loops;
    std::vector<Row> rows;
};

struct SlotRecord {
    std::string fileName;
    int frequency;
    int pan;
};

// A program directory: a kit of test sounds, pans, "Blank.wav", patterns and a song.
class SongDir : public ScratchDir {
  protected:
    void SetUp() override {
        ScratchDir::SetUp();
        std::filesystem::create_directories(dir / "temp");
        for (int i = 1; i <= 16; ++i)
            kitSounds[static_cast<std::size_t>(i)] = testSound(300 + 97 * i, 1500 * i, i);
        blank = testSound(120, 4000, 40, 22050);
        writeAll(dir / "Blank.wav", blank.wav());
    }

    // Writes power.dxg from kitSounds (entry i = kit instrument i) and replaced entries.
    void writeKit(const std::map<int, Bytes>& images = {}) {
        kits::TWaveCollection kit;
        kit.AddEntry();
        for (int i = 1; i <= 16; ++i) {
            auto& e = kit.AddEntry();
            kit.SetEntryName(e, instrumentEntry(i));
            const auto it = images.find(i);
            kits::ReadWaveImage(e.Wave, it != images.end()
                                            ? it->second
                                            : kitSounds[static_cast<std::size_t>(i)].wav());
        }
        kits::WriteKitFile(kit, dir / "power.dxg");
        std::vector<std::string> panLines = {"0"};
        for (int i = 1; i <= 16; ++i)
            panLines.push_back(std::to_string(pans[static_cast<std::size_t>(i)]));
        fs::writeLines(dir / kPanFileName, panLines);
    }

    void writePattern(const Pattern& p) {
        const int length = static_cast<int>(p.rows.size());
        GridTable grid;
        grid.setRowCount(length + 3);
        grid.setCell(0, 0, p.name);
        grid.setCell(1, 0, "Length:");
        grid.setCell(2, 0, std::to_string(length));
        for (int r = 0; r < length; ++r)
            for (int c = 0; c < 6; ++c)
                grid.setCell(c + 1, r + 2, p.rows[static_cast<std::size_t>(r)][c]);
        song::SlotLines slots;
        for (auto& s : slots)
            s = {"Blank.wav", 22050};
        song::writePatternFile(dir / (p.name + ".pat"),
                               song::patternFileLines(grid, length, p.tempo, p.loops, slots));
    }

    void writeSong(const std::vector<Pattern>& patterns, const std::vector<SlotRecord>& records) {
        std::vector<std::string> lines;
        for (const auto& p : patterns) {
            writePattern(p);
            lines.push_back(p.name);
        }
        for (std::size_t s = 0; s < records.size(); ++s)
            lines.insert(lines.end(), {"<*sam" + std::to_string(s + 1), records[s].fileName,
                                       std::to_string(records[s].frequency), "//",
                                       std::to_string(records[s].pan)});
        fs::writeLines(dir / "song.sng", lines);
    }

    int cli(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::run(args, out, err);
    }
    int renderSong() {
        return cli({"render", (dir / "song.sng").string(), (dir / "out.wav").string(), "--dir",
                    dir.string()});
    }

    // The render worked out from the rules: rows one step apart, the step length of each
    // pattern from its own tempo (2 x tempo ms) beginning with its first row; each used
    // instrument in increasing instrument list position, its cells in song order.
    OracleMix expected(const std::vector<Pattern>& patterns, const std::vector<SlotRecord>& records,
                       const std::map<int, TestSound>& slotSounds) const {
        struct Cell {
            double time;
            std::string text;
        };
        std::vector<Cell> cells;
        double time = 0;
        bool first = true;
        for (const auto& p : patterns)
            for (int l = 0; l < std::max(1, p.loops); ++l)
                for (const auto& r : p.rows) {
                    if (!first)
                        time = time + (std::clamp(p.tempo, 1, 140) * 2) * 0.001;
                    first = false;
                    for (const auto& text : r)
                        cells.push_back({time, text});
                }
        // Every filled cell names an instrument: a misspelt name would drop out of both sides.
        for (const auto& c : cells) {
            bool known = c.text.empty();
            for (int i = 1; i <= 48 && !known; ++i) {
                std::string key = c.text;
                if (key.size() == 13)
                    key[11] = ' ';
                known = sameText(key, instrumentEntry(i));
            }
            EXPECT_TRUE(known) << c.text;
        }
        OracleMix mix;
        for (int i = 1; i <= 16; ++i)
            for (const auto& c : cells) {
                if (c.text.size() != 13)
                    continue;
                std::string name = c.text;
                name[11] = ' ';
                if (!sameText(name, instrumentEntry(i)))
                    continue;
                const int step = c.text[11] == ' ' ? 1 : c.text[11] - '0';
                const TestSound& s = kitSounds[static_cast<std::size_t>(i)];
                mix.add(s, s.rate, c.time, pans[static_cast<std::size_t>(i)] * 0.0005,
                        std::max(0.0, (4000 - 500 * step) * 0.00025));
            }
        for (int k = 1; k <= 32; ++k)
            for (const auto& c : cells) {
                if (!sameText(c.text, "Sample" + std::to_string(k)))
                    continue;
                const SlotRecord& r = records.at(static_cast<std::size_t>(k - 1));
                mix.add(slotSounds.at(k), r.frequency, c.time, r.pan * 0.0005, 1.0);
            }
        return mix;
    }

    std::array<TestSound, 17> kitSounds;
    std::array<int, 17> pans{};
    TestSound blank;
    std::ostringstream out, err;
};

std::filesystem::path reference(const char* name) {
    return std::filesystem::path(VALDORIN_TEST_DATA) / "render" / name;
}

// ---- reference A: the kit, two patterns at their own tempos, loops, digits, pans, clipping ----

std::vector<Pattern> kitSongPatterns() {
    const Row empty{"", "", "", "", "", ""};
    return {
        {"Verse",
         30,
         2,
         {Row{kitCell("Kick", '0'), kitCell("ClsHiat"), "", "", "", ""},
          Row{"", kitCell("ClsHiat", '6'), kitCell("Snare", '4'), "", "", ""}, empty,
          Row{kitCell("Kick", '9'), kitCell("ClsHiat", '8'), "", "", "", kitCell("Rimshot", '2')}}},
        {"Fill",
         45,
         1,
         {Row{kitCell("Cymbol1", '0'), kitCell("Cymbol2", '0'), kitCell("Kick", '0'),
              kitCell("Tom1"), kitCell("Tom2", '3'), kitCell("Crack", '0')},
          Row{kitCell("Cymbol1", '0'), "", "", kitCell("Tom1", '5'), "", ""}, empty}},
    };
}

class ReferenceRenders : public SongDir {
  protected:
    // Reference A: kit instruments only.
    OracleMix kitSong() {
        pans[1] = 0;
        pans[3] = -1000;
        pans[4] = 2000;
        pans[6] = -500;
        pans[7] = 700;
        pans[8] = -2000;
        // Loud cymbals and a crack that clip where they meet.
        kitSounds[8] = testSound(2500, 30000, 8);
        kitSounds[9] = testSound(2500, 30000, 9);
        kitSounds[15] = testSound(900, 32000, 15);
        writeKit();
        const auto patterns = kitSongPatterns();
        writeSong(patterns, {});
        return expected(patterns, {}, {});
    }

    // Reference B: a 24-bit slot played faster and panned beyond one side, the empty-slot
    // sound at another rate, a floating-point kit entry, over three loops.
    OracleMix sampleSong() {
        std::vector<int> v24;
        TestSound conv24;
        conv24.rate = 22050;
        for (int n = 0; n < 1500; ++n) {
            const int l = ((n * 5347) % 16000000) - 8000000;
            const int r = static_cast<int>(6000000 * std::sin(n * 0.05));
            v24.insert(v24.end(), {l, r});
            // 24 to 16 bits: v / 256, rounded, halves to even.
            conv24.frames.push_back({static_cast<int>(std::nearbyint(l / 256.0)),
                                     static_cast<int>(std::nearbyint(r / 256.0))});
        }
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        SNDFILE* f = sf_open((dir / "loop24.wav").c_str(), SFM_WRITE, &info);
        EXPECT_NE(f, nullptr);
        std::vector<int> scaled;
        for (int x : v24)
            scaled.push_back(x * 256);  // libsndfile's int samples are 32-bit
        sf_writef_int(f, scaled.data(), 1500);
        sf_close(f);

        // Floating-point Tom1: values k / 1024 go to 16 bits as k x 32.
        std::vector<float> fl;
        TestSound convF;
        for (int n = 0; n < 800; ++n) {
            const int k = (n * 37) % 2000 - 1000;
            fl.insert(fl.end(), {k / 1024.0f, -k / 2048.0f});
            convF.frames.push_back({static_cast<int>(std::nearbyint(k / 1024.0 * 32768)),
                                    static_cast<int>(std::nearbyint(-k / 2048.0 * 32768))});
        }
        info = SF_INFO{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        f = sf_open((dir / "tom.wav").c_str(), SFM_WRITE, &info);
        sf_writef_float(f, fl.data(), 800);
        sf_close(f);
        kitSounds[6] = convF;
        pans[6] = 300;
        writeKit({{6, readAll(dir / "tom.wav")}});

        const std::vector<SlotRecord> records = {
            {"loop24.wav", 30000, -3000}, {"Blank.wav", 16000, 1000}, {"Blank.wav", 22050, 0}};
        const std::vector<Pattern> patterns = {
            {"Samples",
             45,
             3,
             {Row{"Sample1", kitCell("Tom1", '0'), "", "", "", ""},
              Row{"", "", "Sample2", "", "", ""},
              Row{"Sample2", "sample1", kitCell("Tom1", '2'), "", "", ""}}}};
        writeSong(patterns, records);
        return expected(patterns, records, {{1, conv24}, {2, blank}});
    }
};

TEST_F(ReferenceRenders, KitSongMatchesTheCalculationAndTheStoredFile) {
    const OracleMix want = kitSong();
    ASSERT_EQ(renderSong(), 0) << err.str();
    const Bytes got = readAll(dir / "out.wav");
    EXPECT_EQ(framesOf(got), want.out);
    EXPECT_EQ(got, want.wav());
    EXPECT_EQ(readAll(reference("song_kit.wav")), want.wav());
}

TEST_F(ReferenceRenders, SampleSongMatchesTheCalculationAndTheStoredFile) {
    const OracleMix want = sampleSong();
    ASSERT_EQ(renderSong(), 0) << err.str();
    const Bytes got = readAll(dir / "out.wav");
    const auto frames = framesOf(got);
    ASSERT_EQ(frames.size(), want.out.size());
    for (std::size_t f = 0; f < frames.size(); ++f)
        ASSERT_EQ(frames[f], want.out[f]) << "frame " << f;
    EXPECT_EQ(got, want.wav());
    EXPECT_EQ(readAll(reference("song_samples.wav")), want.wav());
}

// Writes the stored files from the calculation (run once, by hand).
TEST_F(ReferenceRenders, DISABLED_WriteReferenceRenders) {
    writeAll(reference("song_kit.wav"), kitSong().wav());
    writeAll(reference("song_samples.wav"), sampleSong().wav());
}

// ---- the command line ----

TEST_F(SongDir, SongInfoListsEachEntryAsPlayedAndTheLength) {
    writeKit();
    Pattern fast{"Fast", 200, 0, std::vector<Row>(16, Row{})};  // played at 140, once
    Pattern slow{"Slow", 60, 3, std::vector<Row>(4, Row{})};
    writeSong({slow, fast, slow}, {});
    ASSERT_EQ(cli({"song", "info", (dir / "song.sng").string(), "--dir", dir.string()}), 0)
        << err.str();
    EXPECT_EQ(out.str(),
              "\"Slow\" 4 60 3 1.440\n"
              "\"Fast\" 16 140 1 4.480\n"
              "\"Slow\" 4 60 3 1.440\n"
              "length 7.360\n");

    std::filesystem::remove(dir / "Fast.pat");
    fs::writeLines(dir / "Slow.pat", {"Slow", "", "x"});
    EXPECT_EQ(cli({"song", "info", (dir / "song.sng").string(), "--dir", dir.string()}), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("\"Fast\": Cannot open file"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("\"Slow\": 'x' is not a valid integer value"), std::string::npos)
        << err.str();
}

TEST_F(SongDir, RenderFailuresGiveTheMessageAndStatusOne) {
    writeKit();
    writeSong({{"Beat", 60, 1, {Row{kitCell("Kick"), "", "", "", "", ""}}}}, {});
    std::filesystem::remove(dir / "Beat.pat");
    EXPECT_EQ(renderSong(), 1);
    EXPECT_EQ(err.str().rfind("Cannot open file", 0), 0u) << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));

    writeSong({{"Beat", 60, 1, {Row{"Sample1", "", "", "", "", ""}}}}, {{"notes.txt", 44100, 0}});
    writeAll(dir / "notes.txt", {'n', 'o'});
    EXPECT_EQ(renderSong(), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));

    EXPECT_EQ(cli({"render", "only-one.sng"}), 2);
    EXPECT_EQ(cli({"render", "a.sng", "b.wav", "--dir"}), 2);
}

TEST_F(SongDir, AnAllEmptySongRendersAFileOf44Bytes) {
    writeKit();
    writeSong({{"Quiet", 60, 2, std::vector<Row>(8, Row{})}}, {});
    ASSERT_EQ(renderSong(), 0) << err.str();
    EXPECT_EQ(readAll(dir / "out.wav").size(), 44u);
}

TEST_F(SongDir, AnExistingOutputFileIsReplacedOnlyWhenTheRenderWorks) {
    writeKit();
    writeAll(dir / "out.wav", {'o', 'l', 'd'});
    writeSong({{"Beat", 60, 1, {Row{kitCell("Kick"), "", "", "", "", ""}}}}, {});
    std::filesystem::remove_all(dir / "temp");  // the kit export cannot write its files
    EXPECT_EQ(renderSong(), 1);
    EXPECT_EQ(readAll(dir / "out.wav"), (Bytes{'o', 'l', 'd'}));
    std::filesystem::create_directories(dir / "temp");
    EXPECT_EQ(renderSong(), 0) << err.str();
    EXPECT_GT(readAll(dir / "out.wav").size(), 44u);
}

}  // namespace
}  // namespace valdorin::render::test
