#pragma once
// The 32 sample slots as the rest of the program uses them: playback restarts and stops them,
// pattern and song files store and restore their file names, frequencies and pans, and the
// renderer reads their files, volumes, pans and frequencies. The sample importer window owns
// the slots and implements this interface (TMainForm). Slots are numbered 1 to 32; any other
// number raises an error. UI thread only.
//
// SampleSlots is the slot bank alone; SlotView is what the slots' windows show of them, for
// the commands that bring a loaded slot onto the picker and the importer.

#include <string>

namespace valdorin::kits {

class SampleSlots {
  public:
    virtual ~SampleSlots() = default;

    // The file name as held: the text exactly as it was set (a full path, or "Blank.wav" for
    // an empty slot), or "" after a failed open. A bare "Blank.wav" always stands for the
    // program directory's file (found there without regard to letter case).
    virtual std::string fileName(int slot) const = 0;
    // Opens the WAV file for streaming: frequency becomes the file's rate, pan 0, volume 0, not
    // playing; base pitch and semitone offset unchanged. A file that cannot be read raises the
    // error and leaves the slot without sound and with an empty file name.
    virtual void setFileName(int slot, const std::string& path) = 0;

    virtual int frequency(int slot) const = 0;  // Hz
    virtual void setFrequency(int slot, int hz) = 0;
    virtual int pan(int slot) const = 0;  // hundredths of a decibel, negative to the left
    virtual void setPan(int slot, int pan) = 0;
    virtual int volume(int slot) const = 0;  // hundredths of a decibel of attenuation
    // The frequency the importer's semitone steps count from, in Hz.
    virtual void setBasePitch(int slot, int hz) = 0;

    // Position to the beginning, then play: cuts the slot's previous sound. Raises
    // "WaveStream not set" for a slot without sound.
    virtual void restart(int slot) = 0;
    virtual void stop(int slot) = 0;
};

class SlotView {
  public:
    virtual ~SlotView() = default;

    // The sample picker's button caption of the slot.
    virtual void setPickerCaption(int slot, const std::string& caption) = 0;
    // Enables the importer's "&Play" button and its pan, volume and pitch track bars.
    virtual void enableImporterControls() = 0;
    // Sets the importer's pitch track bar without running its change handler.
    virtual void setPitchBar(int hz) = 0;
};

}  // namespace valdorin::kits
