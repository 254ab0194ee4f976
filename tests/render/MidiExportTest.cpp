// The MIDI export of a compiled song: the exact bytes of a small song, and what an independent
// reader of the file finds in it (notes, channels, velocities and times).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "render/MidiExport.h"
#include "render/SmfReader.h"
#include "render/SongTiming.h"
#include "render/WavBytes.h"

namespace valdorin::render::test {
namespace {

using Lines = std::vector<std::string>;
using Row = std::vector<std::string>;  // the six cells of a step

// A cell text of a kit instrument with its volume digit (' ' for none).
std::string kit(const std::string& name, char digit) {
    std::string s = name;
    s.resize(10, ' ');
    return s + "[" + digit + "]";
}

// One pattern's block of a compiled song: "//", the tempo line, its rows.
Lines block(int tempo, const std::vector<Row>& rows) {
    Lines l = {"//", std::to_string(tempo)};
    for (const auto& r : rows) {
        for (std::size_t c = 0; c < 6; ++c)
            l.push_back(c < r.size() ? r[c] : "");
    }
    return l;
}

Lines song(const std::vector<Lines>& blocks) {
    Lines l;
    for (const auto& b : blocks)
        l.insert(l.end(), b.begin(), b.end());
    l.push_back("%%%");
    return l;
}

// Two patterns: tempo 60 with two steps, then tempo 90 with one step played twice.
Lines twoPatternSong() {
    return song({
        block(60, {{kit("Kick", ' '), kit("Snare", '3')}, {kit("Kick", '0')}}),
        block(90, {{"", "Sample1"}, {"", "sample1", "", "", kit("Kick", '5'), kit("kick", '2')}}),
    });
}

TEST(MidiExport, TwoPatternSongGivesTheHandComputedBytes) {
    // Rows start at ticks 0, 120, 240, 360 (120 ticks a step). The step into row 1 is the
    // first pattern's (60: 480000 us a quarter note, set at tick 0); the step into row 2 is
    // already the second pattern's (90: 720000 us, set at tick 120, the first pattern's last
    // row). Instrument tracks in instrument list order: Kick, Snare, Sample1.
    const midi::Bytes expected = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, 0x01, 0xE0,  // format 1, 4 tracks, 480
        // Track 0: the tempo map, ending with the last step at tick 480 (delta 360).
        'M', 'T', 'r', 'k', 0, 0, 0, 19,        //
        0x00, 0xFF, 0x51, 3, 0x07, 0x53, 0x00,  // 480000
        0x78, 0xFF, 0x51, 3, 0x0A, 0xFC, 0x80,  // 720000 at 120
        0x82, 0x68, 0xFF, 0x2F, 0x00,           // end at 480
        // Kick on channel 10, note 36: velocity 95 (blank), 127 ("0"), then 71: the louder
        // of "5" (30) and "2" (71) in the last row.
        'M', 'T', 'r', 'k', 0, 0, 0, 36,          //
        0x00, 0xFF, 0x03, 4, 'K', 'i', 'c', 'k',  //
        0x00, 0x99, 36, 95, 0x78, 0x89, 36, 0,    // 0..120
        0x00, 0x99, 36, 127, 0x78, 0x89, 36, 0,   // 120..240
        0x78, 0x99, 36, 71, 0x78, 0x89, 36, 0,    // 360..480
        0x00, 0xFF, 0x2F, 0x00,                   //
        // Snare, note 38, digit "3": 127 x 10^(-3/8) = 53.6 -> 54.
        'M', 'T', 'r', 'k', 0, 0, 0, 22,               //
        0x00, 0xFF, 0x03, 5, 'S', 'n', 'a', 'r', 'e',  //
        0x00, 0x99, 38, 54, 0x78, 0x89, 38, 0,         //
        0x82, 0x68, 0xFF, 0x2F, 0x00,                  //
        // Sample slot 1 on channel 1, note 60, at full velocity, at 240 (delta 0x81 0x70).
        'M', 'T', 'r', 'k', 0, 0, 0, 32,                         //
        0x00, 0xFF, 0x03, 7, 'S', 'a', 'm', 'p', 'l', 'e', '1',  //
        0x81, 0x70, 0x90, 60, 127, 0x78, 0x80, 60, 0,            //
        0x00, 0x90, 60, 127, 0x78, 0x80, 60, 0,                  //
        0x00, 0xFF, 0x2F, 0x00,                                  //
    };
    EXPECT_EQ(SongToMidi(twoPatternSong()), expected);
}

// When the renderer places each row of the song, in seconds.
std::vector<double> renderedRows(const Lines& s) {
    std::vector<double> starts;
    for (const SongRow& row : songRows(s))
        starts.push_back(row.start);
    return starts;
}

TEST(MidiExport, NotesStartWithinAMillisecondOfTheRenderedRows) {
    const std::vector<double> rowSeconds = renderedRows(twoPatternSong());
    ASSERT_EQ(rowSeconds.size(), 4u);
    const SmfFile f = readSmf(SongToMidi(twoPatternSong()));
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.trackNames, (std::vector<std::string>{"", "Kick", "Snare", "Sample1"}));
    ASSERT_EQ(f.notes.size(), 6u);
    for (const auto& n : f.notes) {
        const std::size_t row = n.onTick / 120;
        ASSERT_LT(row, rowSeconds.size());
        EXPECT_EQ(n.onTick % 120, 0u);
        EXPECT_NEAR(n.onSeconds, rowSeconds[row], 0.001) << "track " << n.track;
        EXPECT_EQ(n.offTick, n.onTick + 120) << "a note lasts one step";
    }
    // The last row's note lasts a step of the tempo in force: 180 ms.
    EXPECT_NEAR(f.notes.back().offSeconds, 0.660, 0.001);
}

TEST(MidiExport, KitInstrumentsPlayTheirDrumNotesOnChannelTen) {
    const std::vector<std::pair<std::string, int>> drums = {
        {"Kick", 36},    {"Short Kick", 35}, {"Snare", 38},  {"ClsHiat", 42},
        {"OpHiat", 46},  {"Tom1", 48},       {"Tom2", 45},   {"Cymbol1", 49},
        {"Cymbol2", 57}, {"Rimshot", 37},    {"Shaker", 70}, {"Block", 76},
        {"Congo", 63},   {"Cowbell", 56},    {"Crack", 39},  {"Tamb", 54}};
    std::vector<Row> rows;
    for (const auto& d : drums)
        rows.push_back({kit(d.first, ' ')});
    rows.push_back({"Sample32"});
    const SmfFile f = readSmf(SongToMidi(song({block(70, rows)})));
    ASSERT_EQ(f.notes.size(), drums.size() + 1);
    for (std::size_t i = 0; i < drums.size(); ++i) {
        const auto& n = f.notes[i];
        EXPECT_EQ(f.trackNames[std::size_t(n.track)], drums[i].first);
        EXPECT_EQ(n.note, drums[i].second) << drums[i].first;
        EXPECT_EQ(n.channel, 10);
        EXPECT_EQ(n.onTick, 120 * i);
    }
    EXPECT_EQ(f.trackNames.back(), "Sample32");
    EXPECT_EQ(f.notes.back().channel, 1);
    EXPECT_EQ(f.notes.back().note, 60);
}

TEST(MidiExport, VelocityFollowsThePlaybackLevelOfTheVolumeDigit) {
    // 127 x 10^(-step/8), rounded: every 5 dB of playback level, with velocity read as the
    // square of the amplitude as General MIDI devices do.
    const std::vector<std::pair<char, int>> cases = {{' ', 95}, {'0', 127}, {'1', 95}, {'2', 71},
                                                     {'3', 54}, {'4', 40},  {'5', 30}, {'6', 23},
                                                     {'7', 17}, {'8', 13},  {'9', 10}};
    std::vector<Row> rows;
    for (const auto& c : cases)
        rows.push_back({kit("Tamb", c.first)});
    const SmfFile f = readSmf(SongToMidi(song({block(50, rows)})));
    ASSERT_EQ(f.notes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(f.notes[i].velocity, cases[i].second) << "digit '" << cases[i].first << "'";
    EXPECT_EQ(midiVelocity(40), 1) << "never below 1";
}

TEST(MidiExport, SongTimesFollowEveryTempoChangeAndLoop) {
    // 1 step at 10, 3 steps at 140 (loop count 3 of a one-step pattern), a pattern without
    // steps, 2 steps at 1: the empty pattern's tempo never governs a row.
    const Lines s =
        song({block(10, {{kit("Kick", ' ')}}),
              block(140, {{kit("Snare", ' ')}, {kit("Snare", ' ')}, {kit("Snare", ' ')}}),
              block(77, {}), block(1, {{kit("Tom1", ' ')}, {kit("Tom1", ' ')}})});
    const std::vector<double> rowSeconds = renderedRows(s);
    ASSERT_EQ(rowSeconds.size(), 6u);
    EXPECT_DOUBLE_EQ(rowSeconds.back(), 0.844) << "0.28 s three times, then 2 ms twice";
    const SmfFile f = readSmf(SongToMidi(s));
    ASSERT_EQ(f.notes.size(), rowSeconds.size());
    for (const auto& n : f.notes)
        EXPECT_NEAR(n.onSeconds, rowSeconds[n.onTick / 120], 0.001) << "tick " << n.onTick;
    for (const auto& [tick, micros] : f.tempos)
        EXPECT_NE(micros, 8000u * 77) << "at " << tick;
}

TEST(MidiExport, EmptyRowsKeepTheirTimeAndTheSongItsLength) {
    // Two empty steps, a snare, two empty steps: the snare starts at 0.24 s at tempo 60, and
    // every track ends with the last step.
    const SmfFile f =
        readSmf(SongToMidi(song({block(60, {{}, {}, {"", "", kit("Snare", '1')}, {}, {}})})));
    ASSERT_EQ(f.notes.size(), 1u);
    EXPECT_NEAR(f.notes[0].onSeconds, 0.240, 0.001);
    EXPECT_EQ(f.notes[0].onTick, 240u);
    EXPECT_EQ(f.trackEnds, (std::vector<std::uint32_t>{600, 600}));
}

TEST(MidiExport, ReadsUpToTheFirstEndLine) {
    Lines s = song({block(60, {{kit("Kick", ' ')}})});
    const auto once = SongToMidi(s);
    const Lines more = block(60, {{kit("Snare", ' ')}});
    s.insert(s.end(), more.begin(), more.end());
    EXPECT_EQ(SongToMidi(s), once);
}

TEST(MidiExport, SongWithoutStepsIsAFileWithItsTempoTrackOnly) {
    const SmfFile f = readSmf(SongToMidi(song({block(60, {})})));
    EXPECT_EQ(f.trackNames.size(), 1u);
    EXPECT_TRUE(f.notes.empty());
}

TEST(MidiExport, UnreadableLinesGiveTheProgramMessages) {
    struct Case {
        Lines song;
        std::string message;
    };
    const std::vector<Case> cases = {
        {song({block(60, {{"Kick      [x]"}})}), "'x' is not a valid integer value"},
        {song({block(60, {{"Kick      ["}})}), "'' is not a valid integer value"},
        {{"//", "fast", "%%%"}, "'fast' is not a valid integer value"},
        {{"//"}, "'' is not a valid integer value"},
        {song({block(0, {{kit("Kick", ' ')}})}), "Tempo 0 cannot be written to a MIDI file"},
        {song({block(2098, {{kit("Kick", ' ')}})}), "Tempo 2098 cannot be written to a MIDI file"},
    };
    for (const auto& c : cases) {
        try {
            SongToMidi(c.song);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

using MidiFileOut = ScratchDir;

TEST_F(MidiFileOut, WritesTheBytesAndReportsAnUnwritableFile) {
    const Lines s = twoPatternSong();
    WriteSongMidi(s, file("song.mid"));
    EXPECT_EQ(readAll(file("song.mid")), SongToMidi(s));
    const auto missing = file("no-such-dir") / "song.mid";
    try {
        WriteSongMidi(s, missing);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing.string());
    }
}

}  // namespace
}  // namespace valdorin::render::test
