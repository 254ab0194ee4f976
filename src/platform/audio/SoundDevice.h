#pragma once
// The sound device of a window (the main window, the sample importer and the kit maker each
// have one). All devices share one output underneath: the real-time PortAudio output, the
// null output when there is no output device, or an offline capture output in tests.
// UI thread only.

#include <string>

#include "platform/audio/WaveFormat.h"

namespace valdorin::audio {

class SoundDevice {
  public:
    SoundDevice();
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the shared output if nothing has yet; never fails for want of a sound card (the
    // null output takes over silently). Initializing a started device starts it again.
    void Initialize();
    // Silences the device's sounds (kit playbacks and streams); the streams keep their files
    // and can be played again.
    void Finalize();
    bool Initialized() const { return initialized_; }

    // Recorded; the mixer runs at the output's own rate and converts.
    void SetPrimaryFormat(const WaveFormat& format) { primaryFormat_ = format; }
    const WaveFormat& PrimaryFormat() const { return primaryFormat_; }

    // With global focus off, the device's sounds are muted while the program is not the
    // active application.
    void SetGlobalFocus(bool on);
    bool GlobalFocus() const { return globalFocus_; }

    // True when the sound goes nowhere (no output device): a sentence for the status bar.
    static bool OutputIsNull();
    static std::string OutputDescription();

    // The device's number in the mixer: its sounds carry it, so that Finalize can silence them.
    int Id() const { return id_; }

  private:
    int id_ = 0;
    bool initialized_ = false;
    bool globalFocus_ = true;
    WaveFormat primaryFormat_;
};

}  // namespace valdorin::audio
