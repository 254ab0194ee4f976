#pragma once
// What every output of the engine is: it drives the mixer's pull call (Mixer::render) at some
// pace and says how far behind the present the sound it renders is. Internal to the sound
// platform. The outputs: PortAudioOutput (a sound card), PacedOutput (no sound card; also the
// tests' real-time capture) and, in the test support, the offline capture output.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace valdorin::audio {

enum class OutputKind { None, PortAudio, Null, Capture, PacedCapture };

}  // namespace valdorin::audio

namespace valdorin::audio::detail {

// The mixer renders in sub-blocks of at most this many frames; commands take effect at their
// own frame inside a sub-block.
constexpr int kSubBlock = 256;

class Output {
  public:
    virtual ~Output() = default;
    virtual void stop() = 0;
    OutputKind kind = OutputKind::None;
    int rate = 44100;
    std::string description;
    // An output may grow its buffer while it runs (PortAudioOutput): these three are read on
    // the UI thread and written on the output's own.
    std::atomic<int> block{kSubBlock};
    std::atomic<int> latencyFrames{0};
    std::atomic<double> deviceLatency{0};
};

// Nanoseconds of the steady clock.
inline std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// tickSlack() in frames at `rate`.
int slackFrames(int rate);

}  // namespace valdorin::audio::detail
