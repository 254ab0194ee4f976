#pragma once
// A compiled song as a Standard MIDI File, for other sequencers and notation programs.
//
// Format 1, 480 ticks per quarter note, four steps to the quarter note: row k of the song (its
// k-th group of six cell lines, counted from 0) starts at tick 120 k. Track 0 holds the tempo
// map: a step of 2 × tempo value milliseconds is a quarter note of 8000 × tempo value
// microseconds. A row takes the time of the step length in force when it starts, the step from
// the row before it: so each pattern's tempo is set one step before its first row (at tick 0
// for the first), and every row starts when the renderer places it.
//
// Then one track per instrument the song uses, in instrument list order, named after it: kit
// instruments on channel 10 with their General MIDI drum notes, sample slots on channel 1 with
// note 60. Each note lasts one step; its velocity follows the volume step as the playback level
// does. One instrument in several channels of a row is one note, at the loudest velocity.

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "render/MidiFile.h"

namespace valdorin::render {

inline constexpr int kMidiTicksPerQuarter = 480;
inline constexpr int kMidiTicksPerStep = kMidiTicksPerQuarter / 4;
inline constexpr int kMidiDrumChannel = 10;
inline constexpr int kMidiSampleChannel = 1;
inline constexpr int kMidiSampleNote = 60;

// General MIDI drum note of kit instrument 1..16.
int midiDrumNote(int kitInstrument);
// 127 × 10^(-volume step / 8) rounded, at least 1: a blank digit and "1" give 95, "0" 127.
int midiVelocity(int volumeStep);
// The name of an instrument's track: the kit instrument's bare name ("Kick"), or "Sample1".
std::string midiTrackName(int position);

// The compiled song of a play list from its start entry (the selected one; the first with no
// selection), as Play Song and the renderer compile it, but through a grid of its own: nothing
// the windows show changes, and a song that is playing keeps its compiled lines. Empty when
// the play list is; raises the errors of Compile song.
std::vector<std::string> compilePlayList(const fs::Path& programDirectory,
                                         const std::vector<std::string>& playList, int selected);

// The file of a compiled song ("//", tempo line, cell lines ..., "%%%"), read up to its first
// "%%%". Raises the invalid-number error for a tempo line or a cell text that cannot be read
// (the lookup rule), and a clear error for a tempo a MIDI file cannot hold.
midi::Bytes SongToMidi(const std::vector<std::string>& compiledSong);
// The same, saved to path (beside it first, then renamed over it).
void WriteSongMidi(const std::vector<std::string>& compiledSong, const fs::Path& path);

}  // namespace valdorin::render
