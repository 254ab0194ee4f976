#include "platform/audio/PortAudioOutput.h"

#include <pa_linux_alsa.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/audio/QuietAudioLibraries.h"

namespace valdorin::audio::detail {

namespace {

// The most the buffer grows to: beyond this the program answers a click too late to play by
// hand.
constexpr double kMaxLatency = 0.25;
constexpr auto kWatchInterval = std::chrono::milliseconds(50);
// The first callbacks fill the buffer in a burst; their timing says nothing.
constexpr int kSettlingCallbacks = 20;

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PortAudioOutput::PortAudioOutput(Engine& engine) : engine_(engine) {
    const char* env = std::getenv("VALDORIN_AUDIO_REPORT");
    report_ = env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
}

PortAudioOutput::~PortAudioOutput() {
    stop();
}

bool PortAudioOutput::open() {
    quietAudioLibraries();
    if (Pa_Initialize() != paNoError)
        return false;
    initialized_ = true;
    device_ = Pa_GetDefaultOutputDevice();
    if (device_ == paNoDevice)
        return false;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device_);
    if (info == nullptr || info->maxOutputChannels < 2)
        return false;
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    alsa_ = api != nullptr && api->type == paALSA;
    rate = static_cast<int>(std::lround(info->defaultSampleRate));
    if (rate <= 0)
        return false;
    engine_.mixer().rate = rate;
    kind = OutputKind::PortAudio;
    description = std::string(info->name ? info->name : "default device") + ", " +
                  std::to_string(rate) + " Hz";
    // The device's lowest latency, or what VALDORIN_AUDIO_LATENCY_MS asks for at the least.
    double latency = info->defaultLowOutputLatency;
    if (const char* ms = std::getenv("VALDORIN_AUDIO_LATENCY_MS"))
        latency = std::max(latency, std::atof(ms) / 1000);
    latency = std::clamp(latency, 0.001, kMaxLatency);
    PaStream* stream = openStream(latency);
    engine_.clockOrigin.store(nowNs());
    if (stream == nullptr || !start(stream, latency))
        return false;
    watcher_ = std::thread([this] { watch(); });
    return true;
}

PaStream* PortAudioOutput::openStream(double latency) {
    PaStreamParameters params{};
    params.device = device_;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = latency;
    PaStream* stream = nullptr;
    // The device chooses its period for the latency asked; the mixer renders any count.
    if (Pa_OpenStream(&stream, nullptr, &params, rate, paFramesPerBufferUnspecified, paNoFlag,
                      &PortAudioOutput::callback, this) != paNoError)
        return nullptr;
    if (alsa_)
        PaAlsa_EnableRealtimeScheduling(stream, 1);
    return stream;
}

bool PortAudioOutput::start(PaStream* stream, double latency) {
    stream_ = stream;
    latency_ = latency;
    const PaStreamInfo* si = Pa_GetStreamInfo(stream_);
    const double device = si != nullptr ? si->outputLatency : latency;
    deviceLatency = device;
    // Until the first callback says otherwise, a period is taken as a quarter of the buffer.
    const int period = std::max(16, static_cast<int>(device * rate / 4));
    block = period;
    latencyFrames = 2 * period + slackFrames(rate);
    callbackFrames_.store(0);
    callbacks_.store(0);
    lateness_.store(0);
    if (Pa_StartStream(stream_) != paNoError) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        return false;
    }
    report("buffer %d frames, output latency %.1f ms, %d Hz", static_cast<int>(device * rate),
           device * 1000, rate);
    return true;
}

void PortAudioOutput::grow(double latency) {
    // The new stream is opened while the old one plays (opening can take a while on a sound
    // server), so the sound stops only for the switch.
    PaStream* bigger = openStream(latency);
    if (bigger == nullptr) {
        report("no bigger buffer to be had");
        latency_ = kMaxLatency;
        return;
    }
    const double previous = latency_;
    closeStream();
    // The frames of the switch are rendered and dropped, so that every frame keeps the time the
    // clock model gave it: the steps after the switch stay on their grid.
    Mixer& m = engine_.mixer();
    const std::int64_t missed =
        std::min<std::int64_t>(engine_.frameForTime(Clock::now()) - m.frame(), rate);
    float scratch[2 * kSubBlock];
    for (std::int64_t left = missed; left > 0; left -= kSubBlock)
        m.render(scratch, static_cast<int>(std::min<std::int64_t>(left, kSubBlock)));
    if (!start(bigger, latency)) {
        PaStream* again = openStream(previous);
        if (again == nullptr || !start(again, previous))
            report("the device could not be reopened");
    }
}

void PortAudioOutput::closeStream() {
    if (stream_ != nullptr) {
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
}

void PortAudioOutput::stop() {
    {
        std::lock_guard lock(mutex_);
        stopWatching_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
    if (stream_ != nullptr)
        report("closed after %d underflows; buffer %d frames, output latency %.1f ms", underflows(),
               static_cast<int>(deviceLatency * rate), deviceLatency * 1000);
    closeStream();
    if (initialized_) {
        Pa_Terminate();
        initialized_ = false;
    }
}

void PortAudioOutput::watch() {
    int seen = 0;
    double wanted = 0;  // the buffer the watcher means to switch to, in seconds
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kWatchInterval, [this] { return stopWatching_; })) {
        // The callback's own period, once it has run, for placing a tick's sounds.
        if (const int frames = callbackFrames_.load(std::memory_order_relaxed); frames > 0) {
            block = frames;
            latencyFrames = 2 * frames + slackFrames(rate);
        }
        const int now = underflows();
        if (now != seen) {
            report("underflow at %.3f (total %d)", wallSeconds(), now);
            wanted = std::max(wanted, latency_ * 4);
            seen = now;
        }
        const double late = lateness_.load(std::memory_order_relaxed) / 1e9;
        if (late > deviceLatency / 2) {
            report("callback %.1f ms late at %.3f", late * 1000, wallSeconds());
            lateness_.store(0, std::memory_order_relaxed);
            wanted = std::max(wanted, std::max(latency_ * 4, late * 4));
        }
        // Switching streams while sound plays would break it up: the switch waits for a
        // quarter of a second of silence.
        const std::int64_t quiet = engine_.mixer().rendered.load() - lastSound_.load();
        if (wanted <= latency_ || latency_ >= kMaxLatency || quiet < rate / 4)
            continue;
        grow(std::min(wanted, kMaxLatency));
        seen = underflows();
    }
}

int PortAudioOutput::callback(const void*, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags,
                              void* user) {
    auto* self = static_cast<PortAudioOutput*>(user);
    if ((flags & paOutputUnderflow) != 0)
        self->underflows_.fetch_add(1, std::memory_order_relaxed);
    self->callbackFrames_.store(static_cast<int>(frames), std::memory_order_relaxed);
    Mixer& m = self->engine_.mixer();
    // Keep the clock model (steady clock time of output frame 0) following the callbacks:
    // a slow correction smooths their jitter, a large error (an underrun) resets it.
    const std::int64_t frameNs =
        static_cast<std::int64_t>(static_cast<__int128>(m.frame()) * 1000000000 / self->rate);
    const std::int64_t seen = nowNs() - frameNs;
    std::int64_t origin = self->engine_.clockOrigin.load(std::memory_order_relaxed);
    const std::int64_t error = seen - origin;
    if (self->callbacks_.fetch_add(1, std::memory_order_relaxed) >= kSettlingCallbacks &&
        error > self->lateness_.load(std::memory_order_relaxed))
        self->lateness_.store(error, std::memory_order_relaxed);
    const std::int64_t limit = static_cast<std::int64_t>(4) *
                               std::max<std::int64_t>(static_cast<std::int64_t>(frames), 256) *
                               1000000000 / self->rate;
    origin = (error > limit || error < -limit) ? seen : origin + error / 64;
    self->engine_.clockOrigin.store(origin, std::memory_order_relaxed);
    auto* out = static_cast<float*>(output);
    m.render(out, static_cast<int>(frames));
    for (unsigned long i = 0; i < 2 * frames; ++i)
        if (out[i] != 0.0f) {
            self->lastSound_.store(m.rendered.load(std::memory_order_relaxed),
                                   std::memory_order_relaxed);
            break;
        }
    return paContinue;
}

void PortAudioOutput::report(const char* format, ...) const {
    if (!report_)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "valdorin audio: %s\n", line);
}

}  // namespace valdorin::audio::detail
