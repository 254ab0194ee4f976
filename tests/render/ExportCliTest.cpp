// valdorin-cli song midi (the song file's MIDI bytes, its program directory, the messages and
// exit status of bad input) and valdorin-cli render into FLAC and Ogg Vorbis.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include <sys/wait.h>

#include "cli/Cli.h"
#include "render/MidiExport.h"
#include "render/SongFiles.h"
#include "render/WavBytes.h"
#include "support/ProgramDir.h"

namespace valdorin::render::test {
namespace {

class SongMidiCli : public ::testing::Test {
  protected:
    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return cli::run(args, out, err);
    }
    std::string p(const std::string& name) const { return (dir / name).string(); }

    // The current directory for the test: the default program directory.
    testing::ProgramDir dir{testing::ProgramDir::Seed::Empty};
    std::ostringstream out, err;
};

TEST_F(SongMidiCli, WritesTheSongFromItsFirstEntry) {
    writeTwoPatterns(dir.path());
    writeSong(dir / "song.sng", {"Intro", "Verse"});
    ASSERT_EQ(run({"song", "midi", p("song.sng"), p("song.mid")}), 0) << err.str();
    EXPECT_EQ(readAll(dir / "song.mid"), SongToMidi(introVerseCompiled()));
    EXPECT_EQ(out.str() + err.str(), "");
}

TEST_F(SongMidiCli, ReadsThePatternsFromTheProgramDirectoryGiven) {
    const fs::Path programDir = dir / "program";
    std::filesystem::create_directories(programDir);
    writeTwoPatterns(programDir);
    writeSong(dir / "song.sng", {"intro", "Verse"});  // a pattern name found case-blind
    ASSERT_EQ(run({"song", "midi", "--dir", programDir.string(), p("song.sng"), p("a.mid")}), 0)
        << err.str();
    EXPECT_EQ(readAll(dir / "a.mid"), SongToMidi(introVerseCompiled()));

    EXPECT_EQ(run({"song", "midi", p("song.sng"), p("b.mid")}), 1)
        << "not in the current directory";
    EXPECT_EQ(err.str(), "Cannot open file " + dir.path().string() + "/intro.pat\n");
}

TEST_F(SongMidiCli, BadInputGivesTheMessageAndStatusOneAndNoFile) {
    writeTwoPatterns(dir.path());
    writeSong(dir / "missing.sng", {"Intro", "Chorus", "Verse"});
    writeSong(dir / "empty.sng", {});
    writeSong(dir / "song.sng", {"Intro"});
    writePattern(dir.path(), "Odd", 60, 1, {{"Kick      [x]"}});
    writeSong(dir / "odd.sng", {"Odd"});
    struct Case {
        std::string song, out, message;
    };
    const std::vector<Case> cases = {
        {p("missing.sng"), p("out.mid"), "Cannot open file " + p("Chorus.pat")},
        {p("nothing.sng"), p("out.mid"), "Cannot open file " + p("nothing.sng")},
        {p("empty.sng"), p("out.mid"), "The play list of " + p("empty.sng") + " is empty"},
        {p("odd.sng"), p("out.mid"), "'x' is not a valid integer value"},
        {p("song.sng"), p("no-dir/out.mid"), "Cannot create file " + p("no-dir/out.mid")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run({"song", "midi", c.song, c.out}), 1) << c.message;
        EXPECT_EQ(err.str(), c.message + "\n");
        EXPECT_FALSE(std::filesystem::exists(c.out)) << c.message;
    }
}

TEST_F(SongMidiCli, WrongCommandLinesGiveTheUsage) {
    const std::vector<std::vector<std::string>> lines = {
        {"song", "midi", "a.sng"},
        {"song", "midi", "a.sng", "b.mid", "c.mid"},
        {"song", "midi", "a.sng", "b.mid", "--dir"},
        {"song", "midi", "a.sng", "b.mid", "--format", "smf"},
        {"song", "play", "a.sng"},
        {"song"},
    };
    for (const auto& l : lines) {
        EXPECT_EQ(run(l), 2) << l.back();
        EXPECT_NE(err.str().find("Usage: valdorin-cli song "), std::string::npos) << err.str();
    }
    ASSERT_EQ(run({"song", "midi", "--help"}), 0);
    EXPECT_NE(out.str().find("valdorin-cli song midi SONG.sng OUT.mid [--dir PROGRAM_DIR]"),
              std::string::npos);
    ASSERT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.str().find("song midi SONG.sng OUT.mid"), std::string::npos);
}

TEST_F(SongMidiCli, TheToolExitsWithStatusOneOnAMissingPattern) {
    writeSong(dir / "song.sng", {"Nowhere"});
    const std::string command = std::string("'") + VALDORIN_CLI_PATH + "' song midi '" +
                                p("song.sng") + "' '" + p("out.mid") + "' 2>'" + p("err.txt") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(dir.read("err.txt"), "Cannot open file " + p("Nowhere.pat") + "\n");
}

// The samples of a sound file as libsndfile decodes them, read to the end.
std::vector<short> decoded(const fs::Path& path, SF_INFO& info) {
    info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        throw std::runtime_error("libsndfile cannot read " + path.string());
    std::vector<short> samples, block(std::size_t(4096 * info.channels));
    sf_count_t n;
    while ((n = sf_readf_short(f, block.data(), 4096)) > 0)
        samples.insert(samples.end(), block.begin(), block.begin() + n * info.channels);
    sf_close(f);
    return samples;
}

// A seeded program directory (the default kit, pans, "Blank.wav", "temp") with Intro and Verse.
class RenderFormats : public SongMidiCli {
  protected:
    void SetUp() override {
        ASSERT_EQ(run({"seed", dir.path().string()}), 0) << err.str();
        writeTwoPatterns(dir.path());
        writeSong(dir / "song.sng", {"Intro", "Verse"});
        ASSERT_EQ(run({"render", p("song.sng"), p("song.wav")}), 0) << err.str();
        wav = decoded(dir / "song.wav", wavInfo);
        ASSERT_GT(wav.size(), 1000u);
        ASSERT_TRUE(std::any_of(wav.begin(), wav.end(), [](short v) { return v != 0; }));
    }
    SF_INFO wavInfo{};
    std::vector<short> wav;
};

TEST_F(RenderFormats, FlacDecodesToTheSamplesOfTheWavRender) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"render", p("song.sng"), p("song.flac")},
             {"render", "--format", "flac", p("song.sng"), p("flac.bin")}}) {
        ASSERT_EQ(run(args), 0) << err.str();
        const fs::Path out = args.back() == p("song.flac") ? dir / "song.flac" : dir / "flac.bin";
        SF_INFO info;
        EXPECT_EQ(decoded(out, info), wav);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "temp" / "export.wav")) << "the work WAV is gone";
}

TEST_F(RenderFormats, OggAndExplicitWav) {
    ASSERT_EQ(run({"render", p("song.sng"), p("song.ogg")}), 0) << err.str();
    SF_INFO info;
    EXPECT_EQ(decoded(dir / "song.ogg", info).size(), wav.size());
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);

    ASSERT_EQ(run({"render", p("song.sng"), p("song.flac"), "--format", "WAV"}), 0) << err.str();
    EXPECT_EQ(readAll(dir / "song.flac"), readAll(dir / "song.wav")) << "--format wins";
}

TEST_F(RenderFormats, BadFormatOrOutputGivesUsageOrMessage) {
    EXPECT_EQ(run({"render", p("song.sng"), p("a.mp3"), "--format", "mp3"}), 2);
    EXPECT_NE(err.str().find("unknown format 'mp3'"), std::string::npos) << err.str();
    EXPECT_EQ(run({"render", p("song.sng"), p("a.flac"), "--format"}), 2);
    EXPECT_EQ(run({"song", "midi", p("song.sng"), p("a.mid"), "--format", "flac"}), 2)
        << "only render takes a format";

    EXPECT_EQ(run({"render", p("song.sng"), p("no-dir/a.flac")}), 1);
    EXPECT_EQ(err.str(), "Cannot create file " + p("no-dir/a.flac") + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "temp" / "export.wav"));
}

}  // namespace
}  // namespace valdorin::render::test
