#pragma once
// The output on a sound card: PortAudio's default output device, whose callback runs the mixer.

#include <portaudio.h>

#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

class PortAudioOutput final : public Output {
  public:
    explicit PortAudioOutput(Engine& engine);
    ~PortAudioOutput() override;

    // False when there is no usable output device; stop() then releases what was taken.
    bool open();
    void stop() override;

  private:
    static int callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user);

    Engine& engine_;
    PaStream* stream_ = nullptr;
    bool initialized_ = false;
};

}  // namespace valdorin::audio::detail
