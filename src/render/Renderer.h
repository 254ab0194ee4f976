#pragma once
// The song renderer's mixer: a compiled song becomes one 44100 Hz 16-bit stereo sound.
//
// For each used instrument, in increasing instrument list position, one pass walks the song
// and adds the instrument's temp WAV file (RenderFiles.h) at the start of every row that holds
// it, through TWave::MixIn: a kit instrument at its own rate, its cell's volume step and its
// kit entry's pan; a sample slot at its stream's frequency, volume and pan. The destination
// is the WAV object in file-backed mode on the work file "work1.tmp". Plain code: the Render
// window and valdorin-cli drive it through a MixObserver. UI thread only.

#include <array>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/InstrumentList.h"
#include "render/wavaudio.h"

namespace valdorin::render {

// What the mixer takes from a sample slot's stream.
struct SlotSettings {
    int frequency = 22050;  // Hz, the play rate
    int pan = 0;            // hundredths of a decibel, negative to the left
    int volume = 0;         // hundredths of a decibel, 0 full level, -4000 quietest
};

struct MixSettings {
    std::filesystem::path tempDirectory;
    // Pans of kit entries 1 to 16 (index 0 unused), hundredths of a decibel.
    std::array<int, kKitInstruments + 1> kitPans{};
    // Slots 1 to 32 (index 0 unused).
    std::array<SlotSettings, kSampleSlots + 1> sampleSlots{};
};

// The instruments a compiled song names, in increasing instrument list position: for every
// cell line up to the end line, its position with the volume digit set aside. Every used
// instrument is listed, however many there are.
std::vector<int> usedInstruments(std::span<const std::string> compiled);

// The volume factor of a kit cell: 1 - volume step / 8. Steps beyond 8 (the digit "9") are
// silent, as 8 is: the factor is held at 0, never made negative.
double kitVolumeFactor(int volumeStep);
// A sample slot's volume as a factor: (volume + 4000) / 4000, a straight line in decibels.
double slotVolumeFactor(int volume);
// A pan in hundredths of a decibel as MixIn's pan: kit pans -2000..2000 become -1..1, slot
// pans -4000..4000 become -2..2.
double mixPan(int pan);

// The text the Render window shows for an instrument: its instrument list entry for a kit
// instrument ("Kick      [ ]"), "Sample %d" for a sample slot.
std::string instrumentLabel(int position);

// How the windows or the command line follow a render and end it early.
class MixObserver {
  public:
    virtual ~MixObserver() = default;
    // A pass over the song's lines begins for the instrument.
    virtual void passStarted(int position, int lineCount) {}
    // Lines of the song read so far in this pass.
    virtual void linesRead(int count) {}
    // Just before a placement of the instrument.
    virtual void adding(const std::string& label) {}
    // Asked before every placement and at the end of each pass; true ends the render there,
    // keeping what was mixed so far. The observer decides how often it looks at the windows.
    virtual bool interrupted() { return false; }
};

enum class MixResult { Completed, Interrupted };

// A destination ready for mixing: file-backed on programDirectory / "work1.tmp" (created
// empty), 44100 Hz 16-bit stereo. Raises "Cannot create file %s".
std::unique_ptr<TWave> openRenderDestination(const std::filesystem::path& programDirectory);

// Mixes the instruments (instrument list positions; each listed one makes one pass) of the
// compiled song into the destination. The song is read before the first placement and not
// touched afterwards, so a command run from the observer may empty it. A kit cell whose volume
// digit is no decimal digit raises "'%s' is not a valid integer value" when the first kit pass
// reaches it, after what was mixed before it.
MixResult mixSong(std::span<const std::string> compiled, std::span<const int> instruments,
                  const MixSettings& settings, TWave& destination, MixObserver& observer);

}  // namespace valdorin::render
