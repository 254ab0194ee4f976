#pragma once
// The output on a sound card: PortAudio's default output device, whose callback runs the mixer.
//
// The device buffer starts at the lowest latency the device reports (or at
// VALDORIN_AUDIO_LATENCY_MS milliseconds, when that is more) and grows fourfold, up to a
// quarter of a second, when the callback is told that the device ran dry (an underflow) or
// comes later than half the buffer would allow. The switch to the bigger buffer waits for a
// quarter of a second of silence, so a playing pattern is not broken up; a program that has
// just started is silent, so on a loaded machine the buffer grows in its first seconds. The
// callback thread asks for real-time scheduling where the system grants it.
//
// An underflow is more than a click on a desktop sound server: through ALSA's PulseAudio
// plugin the output recovers from one only after about two seconds of silence.
//
// VALDORIN_AUDIO_REPORT=1 prints on standard error a line for each underflow noticed, each
// change of buffer and, when the output closes, the count of underflows and the buffer:
//   valdorin audio: underflow at 1765400000.123 (total 1)
//   valdorin audio: buffer 1024 frames, output latency 46.4 ms, 48000 Hz
//   valdorin audio: closed after 2 underflows; buffer 1024 frames, output latency 46.4 ms
// (times in seconds since 1970, to compare with the clock of whoever reads the report).

#include <portaudio.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

class PortAudioOutput final : public Output {
  public:
    explicit PortAudioOutput(Engine& engine);
    ~PortAudioOutput() override;

    // False when there is no usable output device; stop() then releases what was taken.
    bool open();
    void stop() override;

    // Underflows the callback was told of since open(). Any thread.
    int underflows() const { return underflows_.load(std::memory_order_relaxed); }

  private:
    static int callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user);
    // A stream for `latency` seconds of buffer, opened and not started; null if the device
    // refuses.
    PaStream* openStream(double latency);
    // Starts an opened stream as the output's stream.
    bool start(PaStream* stream, double latency);
    // Replaces the stream by one with a bigger buffer.
    void grow(double latency);
    void closeStream();
    // The watcher thread: notices underflows and grows the buffer.
    void watch();
    void report(const char* format, ...) const;

    Engine& engine_;
    PaStream* stream_ = nullptr;
    bool initialized_ = false;
    PaDeviceIndex device_ = paNoDevice;
    bool alsa_ = false;
    double latency_ = 0;  // asked of the device, in seconds
    bool report_ = false;

    std::atomic<int> underflows_{0};
    std::atomic<int> callbackFrames_{0};
    // Callback thread only, but read by the watcher: callbacks since the stream started, and the
    // most any of them came after the time the clock model expected, in nanoseconds.
    std::atomic<int> callbacks_{0};
    std::atomic<std::int64_t> lateness_{0};
    // The mixer frame after the last callback that rendered any sound.
    std::atomic<std::int64_t> lastSound_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopWatching_ = false;
    std::thread watcher_;
};

}  // namespace valdorin::audio::detail
