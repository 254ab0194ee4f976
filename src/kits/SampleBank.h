#pragma once
// The 32 sample slots themselves: per slot an audio file stream on one sound device, the file
// name as it was set, a base pitch and a semitone offset. The sample importer owns one bank
// and adds the window side (picker captions, its controls). Slots are numbered 1 to 32; any
// other number raises an error. UI thread only.

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/InstrumentList.h"
#include "platform/audio/AudioFileStream.h"
#include "platform/audio/SoundDevice.h"

namespace valdorin::kits {

class SampleBank {
  public:
    explicit SampleBank(audio::SoundDevice& device);

    // Where a bare "Blank.wav" and other relative file names are found.
    std::filesystem::path ProgramDirectory = std::filesystem::current_path();

    // Sets every slot to "Blank.wav", semitone offsets 0. A slot whose blank file cannot be
    // read keeps the name "Blank.wav" (it still counts as empty) without sound; the first such
    // error is raised after all 32 slots are set up.
    void OpenBlank();

    // The file name as held: the text exactly as set, "" after a failed set.
    const std::string& FileName(int slot) const;
    // Opens the file for streaming (frequency = the file's rate, pan 0, volume 0, stopped);
    // base pitch and offset unchanged. On failure raises the error, and the slot is left
    // without sound and with an empty file name.
    void SetFileName(int slot, const std::string& path);
    bool HasSound(int slot) const;
    bool IsEmpty(int slot) const;

    // The slot's stream, for the settings held there: frequency in Hz, pan and volume in
    // hundredths of a decibel, position, play and stop, the wave format.
    audio::AudioFileStream& Stream(int slot);
    const audio::AudioFileStream& Stream(int slot) const;

    int BasePitch(int slot) const;  // Hz
    void SetBasePitch(int slot, int hz);
    int SemitoneOffset(int slot) const;  // cents
    // Adds steps x 100 cents to the offset and sets the frequency that follows from the base
    // pitch and the whole offset; returns it. An empty slot is left alone: returns nullopt.
    std::optional<int> StepSemitones(int slot, int steps);

    // Position to the beginning, then play; raises "WaveStream not set" without sound.
    void Restart(int slot);
    void Stop(int slot);

  private:
    struct Slot {
        explicit Slot(audio::SoundDevice& device) : stream(device) {}
        audio::AudioFileStream stream;
        std::string fileName;
        int basePitch = 0;
        int semitoneOffset = 0;
    };
    Slot& at(int slot);
    const Slot& at(int slot) const;

    audio::SoundDevice& device_;
    std::array<std::unique_ptr<Slot>, kSampleSlots> slots_;
};

}  // namespace valdorin::kits
