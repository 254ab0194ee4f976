#include "render/Renderer.h"

#include <algorithm>
#include <optional>

#include "core/Errors.h"
#include "core/ProgramFiles.h"
#include "platform/FileSystem.h"
#include "render/RenderFiles.h"
#include "render/SongTiming.h"

namespace valdorin::render {

namespace {

constexpr int kRenderRate = 44100;

// One cell of the song that sounds an instrument.
struct Placement {
    std::size_t line;  // index in the compiled song
    double start;      // seconds
    int volumeStep;    // kit instruments only
};

// The song read once, before any placement: every instrument's placements in song order.
struct DecodedSong {
    std::array<std::vector<Placement>, kInstrumentCount> placements;
    int linesRead = 0;  // lines a pass reads, the end line included
    // The first cell line that a kit pass cannot decode, with its error.
    std::optional<std::size_t> badLine;
    std::string badMessage;
};

DecodedSong decodeSong(std::span<const std::string> compiled) {
    DecodedSong song;
    const std::vector<SongRow> rows = songRows(compiled);
    std::size_t end = 0;
    while (end < compiled.size() && compiled[end] != kSongEnd)
        ++end;
    song.linesRead = static_cast<int>(std::min(end + 1, compiled.size()));
    for (const SongRow& row : rows)
        for (int c = 0; c < row.cellCount; ++c) {
            const std::size_t line = row.cells[static_cast<std::size_t>(c)];
            const std::string& text = compiled[line];
            Lookup cell;
            try {
                cell = lookupCell(text);
            } catch (const Error& e) {
                if (!song.badLine) {
                    song.badLine = line;
                    song.badMessage = e.what();
                }
                continue;
            }
            if (cell.position > 0)
                song.placements[static_cast<std::size_t>(cell.position)].push_back(
                    {line, row.start, cell.volumeStep});
        }
    return song;
}

}  // namespace

std::vector<int> usedInstruments(std::span<const std::string> compiled) {
    std::array<bool, kInstrumentCount> used{};
    for (std::size_t i = 0; i < compiled.size() && compiled[i] != kSongEnd; ++i) {
        std::string copy = compiled[i];
        // The volume digit set aside; a text of 11 characters has none to set aside.
        if (copy.size() > kVolumeDigitIndex)
            copy[kVolumeDigitIndex] = ' ';
        const int p = positionOf(copy);
        if (p > 0)
            used[static_cast<std::size_t>(p)] = true;
    }
    std::vector<int> positions;
    for (int p = 1; p < kInstrumentCount; ++p)
        if (used[static_cast<std::size_t>(p)])
            positions.push_back(p);
    return positions;
}

double kitVolumeFactor(int volumeStep) {
    return std::max(0.0, static_cast<double>(4000 - 500 * volumeStep) * 0.00025);
}

double slotVolumeFactor(int volume) {
    return static_cast<double>(volume + 4000) * 0.00025;
}

double mixPan(int pan) {
    return static_cast<double>(pan) * 0.0005;
}

std::string instrumentLabel(int position) {
    if (isKitInstrument(position))
        return instrumentEntry(position);
    return "Sample " + std::to_string(slotOf(position));
}

std::unique_ptr<TWave> openRenderDestination(const std::filesystem::path& programDirectory) {
    auto destination = std::make_unique<TWave>();
    destination->BackingFileName = programDirectory / kRenderWorkFileName;
    destination->SetFileBacked(true);
    destination->WaveFormat.sampleRate = kRenderRate;
    return destination;
}

MixResult mixSong(std::span<const std::string> compiled, std::span<const int> instruments,
                  const MixSettings& settings, TWave& destination, MixObserver& observer) {
    const DecodedSong song = decodeSong(compiled);
    std::array<bool, kInstrumentCount> wanted{};
    for (int p : instruments)
        if (p > 0 && p < kInstrumentCount)
            wanted[static_cast<std::size_t>(p)] = true;

    for (int i = 1; i < kInstrumentCount; ++i) {
        if (!wanted[static_cast<std::size_t>(i)])
            continue;
        const bool kit = isKitInstrument(i);
        const std::filesystem::path file = kit ? kitEntryFile(settings.tempDirectory, i)
                                               : sampleFile(settings.tempDirectory, slotOf(i));
        const std::string label = instrumentLabel(i);
        observer.passStarted(i, song.linesRead);
        // Every placement of a pass adds the same file: it is read at the first one. Each pass
        // has a source of its own: the 0-byte file of a kit entry without sound, which the WAV
        // object ignores, then adds nothing, as the entry plays nothing, instead of the sound
        // of the instrument before it.
        TWave source;
        bool loaded = false;
        for (const Placement& at : song.placements[static_cast<std::size_t>(i)]) {
            if (kit && song.badLine && at.line > *song.badLine)
                throw Error(song.badMessage);
            observer.linesRead(static_cast<int>(at.line) + 1);
            if (observer.interrupted())
                return MixResult::Interrupted;
            if (!loaded) {
                source.LoadFromFile(file);
                loaded = true;
            }
            double volume = 0.0;
            double pan = 0.0;
            int rate = 0;
            if (kit) {
                volume = kitVolumeFactor(at.volumeStep);
                pan = mixPan(settings.kitPans[static_cast<std::size_t>(i)]);
                rate = source.WaveFormat.sampleRate;
            } else {
                const SlotSettings& slot =
                    settings.sampleSlots[static_cast<std::size_t>(slotOf(i))];
                volume = slotVolumeFactor(slot.volume);
                pan = mixPan(slot.pan);
                rate = slot.frequency;
            }
            observer.adding(label);
            destination.MixIn(&source, rate, at.start, pan, volume);
        }
        if (kit && song.badLine)
            throw Error(song.badMessage);
        observer.linesRead(song.linesRead);
        if (observer.interrupted())
            return MixResult::Interrupted;
    }
    return MixResult::Completed;
}

}  // namespace valdorin::render
