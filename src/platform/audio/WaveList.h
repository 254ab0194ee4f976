#pragma once
// Plays the entries of a drum kit on a sound device.

#include "kits/KitFile.h"
#include "platform/audio/SoundDevice.h"

namespace valdorin::audio {

class WaveList {
  public:
    WaveList(SoundDevice& device, kits::TWaveCollection& kit);
    ~WaveList();

    kits::TWaveCollection& Items() { return kit_; }

    // Starts a new, independent playback of the entry's wave from its beginning with the
    // entry's pan and volume as they are now; earlier playbacks go on. Ends by itself at the
    // end of the wave. An entry whose wave cannot be played (empty, not PCM) sounds nothing.
    // UI thread; never waits for the audio thread.
    void PlayEntry(kits::TWaveCollectionItem& entry);

    // Decodes and converts every entry of the kit now (after a kit was read), so that the
    // first PlayEntry of each costs no more than the next ones.
    void Prepare();

  private:
    struct Impl;
    SoundDevice& device_;
    kits::TWaveCollection& kit_;
    Impl* impl_;
};

}  // namespace valdorin::audio
