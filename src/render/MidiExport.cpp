#include "render/MidiExport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "core/Errors.h"
#include "core/GridTable.h"
#include "core/InstrumentList.h"
#include "core/Text.h"
#include "playback/CompileSong.h"
#include "render/SongTiming.h"

namespace valdorin::render {

namespace {

constexpr std::array<int, kKitInstruments> kDrumNotes = {
    36,  // Kick
    35,  // Short Kick
    38,  // Snare
    42,  // ClsHiat: closed hi-hat
    46,  // OpHiat: open hi-hat
    48,  // Tom1: hi-mid tom
    45,  // Tom2: low tom
    49,  // Cymbol1: crash cymbal 1
    57,  // Cymbol2: crash cymbal 2
    37,  // Rimshot: side stick
    70,  // Shaker: maracas
    76,  // Block: hi wood block
    63,  // Congo: open hi conga
    56,  // Cowbell
    39,  // Crack: hand clap
    54,  // Tamb: tambourine
};

// The microseconds per quarter note of a tempo value: four steps of 2 x tempo milliseconds.
std::uint32_t microsPerQuarter(int tempo) {
    const long long micros = 8000LL * tempo;
    if (tempo < 1 || micros > midi::kMaxTempo)
        throw Error("Tempo " + std::to_string(tempo) + " cannot be written to a MIDI file");
    return static_cast<std::uint32_t>(micros);
}

struct Row {
    std::uint32_t tempo = 0;        // microseconds per quarter note of the step into the row
    std::map<int, int> velocities;  // instrument list position -> loudest velocity
};

// The rows as the renderer times them (SongTiming.h), with the notes each one starts.
std::vector<Row> readRows(const std::vector<std::string>& song) {
    std::vector<Row> rows;
    for (const SongRow& songRow : songRows(song)) {
        Row& row = rows.emplace_back();
        row.tempo = microsPerQuarter(songRow.tempo);
        for (int c = 0; c < songRow.cellCount; ++c) {
            const Lookup cell = lookupCell(song[songRow.cells[static_cast<std::size_t>(c)]]);
            if (cell.position <= 0)
                continue;
            // A sample slot plays at its own level, which the song does not hold: full velocity.
            const int velocity =
                isKitInstrument(cell.position) ? midiVelocity(cell.volumeStep) : 127;
            int& v = row.velocities[cell.position];
            v = std::max(v, velocity);
        }
    }
    return rows;
}

std::uint32_t tickOf(std::size_t row) {
    return static_cast<std::uint32_t>(row * kMidiTicksPerStep);
}

}  // namespace

int midiDrumNote(int kitInstrument) {
    if (!isKitInstrument(kitInstrument))
        throw Error("No drum note for instrument " + std::to_string(kitInstrument));
    return kDrumNotes[static_cast<std::size_t>(kitInstrument - 1)];
}

int midiVelocity(int volumeStep) {
    const long long v = nearInt(127.0 * std::pow(10.0, -volumeStep / 8.0));
    return static_cast<int>(std::clamp(v, 1LL, 127LL));
}

std::string midiTrackName(int position) {
    std::string name = instrumentEntry(position);
    if (isKitInstrument(position)) {
        name.resize(10);
        name.erase(name.find_last_not_of(' ') + 1);
    }
    return name;
}

std::vector<std::string> compilePlayList(const fs::Path& programDirectory,
                                         const std::vector<std::string>& playList, int selected) {
    std::vector<std::string> compiled;
    GridTable grid;
    playback::compileSong({programDirectory, playList, selected}, grid, compiled);
    return compiled;
}

midi::Bytes SongToMidi(const std::vector<std::string>& compiledSong) {
    const std::vector<Row> rows = readRows(compiledSong);
    const std::uint32_t end = tickOf(rows.size());

    std::vector<midi::Track> tracks(1);
    midi::Track& tempoMap = tracks[0];
    // The step into row k lasts as long as row k's step: its tempo starts at row k - 1.
    std::uint32_t current = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::uint32_t tempo = rows[std::min(k + 1, rows.size() - 1)].tempo;
        if (tempo != current)
            tempoMap.tempo(tickOf(k), tempo);
        current = tempo;
    }
    tempoMap.endAt(end);

    std::map<int, midi::Track> instruments;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        for (const auto& [position, velocity] : rows[k].velocities) {
            auto [it, added] = instruments.try_emplace(position);
            midi::Track& track = it->second;
            if (added)
                track.name(0, toUtf8(midiTrackName(position)));
            const bool kit = isKitInstrument(position);
            const int channel = kit ? kMidiDrumChannel : kMidiSampleChannel;
            const int note = kit ? midiDrumNote(position) : kMidiSampleNote;
            // The note of the row before ends here, before this one starts.
            track.noteOn(tickOf(k), channel, note, velocity);
            track.noteOff(tickOf(k + 1), channel, note);
        }
    }
    for (auto& [position, track] : instruments) {
        track.endAt(end);
        tracks.push_back(std::move(track));
    }
    return midi::fileBytes(1, kMidiTicksPerQuarter, tracks);
}

void WriteSongMidi(const std::vector<std::string>& compiledSong, const fs::Path& path) {
    fs::writeFileAtomic(path, SongToMidi(compiledSong));
}

}  // namespace valdorin::render
