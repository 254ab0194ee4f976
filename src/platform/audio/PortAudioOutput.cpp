#include "platform/audio/PortAudioOutput.h"

#include <cmath>

namespace valdorin::audio::detail {

PortAudioOutput::PortAudioOutput(Engine& engine) : engine_(engine) {}

PortAudioOutput::~PortAudioOutput() {
    stop();
}

bool PortAudioOutput::open() {
    if (Pa_Initialize() != paNoError)
        return false;
    initialized_ = true;
    const PaDeviceIndex dev = Pa_GetDefaultOutputDevice();
    if (dev == paNoDevice)
        return false;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(dev);
    if (info == nullptr || info->maxOutputChannels < 2)
        return false;
    PaStreamParameters params{};
    params.device = dev;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    params.suggestedLatency = info->defaultLowOutputLatency;
    rate = static_cast<int>(std::lround(info->defaultSampleRate));
    if (rate <= 0)
        return false;
    block = kSubBlock;
    engine_.mixer().rate = rate;
    if (Pa_OpenStream(&stream_, nullptr, &params, rate, block, paNoFlag, &PortAudioOutput::callback,
                      this) != paNoError) {
        stream_ = nullptr;
        return false;
    }
    if (const PaStreamInfo* si = Pa_GetStreamInfo(stream_))
        deviceLatency = si->outputLatency;
    kind = OutputKind::PortAudio;
    latencyFrames = 2 * block + slackFrames(rate);
    description = std::string(info->name ? info->name : "default device") + ", " +
                  std::to_string(rate) + " Hz, " + std::to_string(block) + " frames";
    engine_.clockOrigin.store(nowNs());
    if (Pa_StartStream(stream_) != paNoError) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        return false;
    }
    return true;
}

void PortAudioOutput::stop() {
    if (stream_ != nullptr) {
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    if (initialized_) {
        Pa_Terminate();
        initialized_ = false;
    }
}

int PortAudioOutput::callback(const void*, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
    auto* self = static_cast<PortAudioOutput*>(user);
    Mixer& m = self->engine_.mixer();
    // Keep the clock model (steady clock time of output frame 0) following the callbacks:
    // a slow correction smooths their jitter, a large error (an underrun) resets it.
    const std::int64_t frameNs =
        static_cast<std::int64_t>(static_cast<__int128>(m.frame()) * 1000000000 / self->rate);
    const std::int64_t seen = nowNs() - frameNs;
    std::int64_t origin = self->engine_.clockOrigin.load(std::memory_order_relaxed);
    const std::int64_t error = seen - origin;
    const std::int64_t limit = static_cast<std::int64_t>(4) * self->block * 1000000000 / self->rate;
    origin = (error > limit || error < -limit) ? seen : origin + error / 64;
    self->engine_.clockOrigin.store(origin, std::memory_order_relaxed);
    m.render(static_cast<float*>(output), static_cast<int>(frames));
    return paContinue;
}

}  // namespace valdorin::audio::detail
