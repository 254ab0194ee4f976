// The engine: its outputs (PortAudio, null, capture), the command and garbage queues, the
// reader thread of the streams, and the public hooks of AudioOutput.h.

#include "platform/audio/Engine.h"

#include <portaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace valdorin::audio::detail {

std::atomic<bool> g_applicationActive{true};

namespace {

std::atomic<bool> g_engineAlive{false};

constexpr int kNullRate = 44100;
// How late a tick may be and still sound at its nominal time; see tickSlack(). A GUI timer
// wakes a few milliseconds late and a busy UI thread (a repaint, a loaded machine) later still;
// the cost is only that a pattern's sounds all come this much after their ticks.
constexpr auto kSlack = std::chrono::milliseconds(30);

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

int slackFrames(int rate) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(kSlack).count() *
                            rate / 1000000);
}

// Renders from a thread of its own at real-time pace: the null output (sound discarded) and the
// paced capture (sound kept in memory).
class PacedOutput final : public Output {
  public:
    PacedOutput(Engine& engine, OutputKind k, int r, int b, bool keep) : engine_(engine) {
        kind = k;
        rate = r;
        block = b;
        latencyFrames = 2 * block + slackFrames(rate);
        scratch_.assign(static_cast<std::size_t>(2 * block), 0.0f);
        engine_.mixer().rate = rate;
        if (keep) {
            // Two minutes; later frames are rendered but not kept. Allocated untouched, so the
            // pages cost nothing until written.
            capacity_ = static_cast<std::int64_t>(rate) * 120;
            store_.reset(new float[static_cast<std::size_t>(capacity_) * 2]);
        }
        origin_ = nowNs();
        engine_.clockOrigin.store(origin_);
        thread_ = std::thread([this] { run(); });
    }
    ~PacedOutput() override { stop(); }

    void stop() override {
        stop_.store(true);
        if (thread_.joinable())
            thread_.join();
    }

    std::vector<float> captured() const {
        const std::int64_t n = kept_.load(std::memory_order_acquire);
        return std::vector<float>(store_.get(), store_.get() + 2 * n);
    }

  private:
    void run() {
        std::int64_t frame = 0;
        while (!stop_.load(std::memory_order_relaxed)) {
            const std::int64_t due =
                origin_ +
                static_cast<std::int64_t>(static_cast<__int128>(frame) * 1000000000 / rate);
            const std::int64_t now = nowNs();
            if (due > now)
                std::this_thread::sleep_for(std::chrono::nanoseconds(due - now));
            float* out = scratch_.data();
            const std::int64_t k = kept_.load(std::memory_order_relaxed);
            if (store_ && k + block <= capacity_)
                out = store_.get() + 2 * k;
            engine_.mixer().render(out, block);
            if (out != scratch_.data())
                kept_.store(k + block, std::memory_order_release);
            frame += block;
        }
    }

    Engine& engine_;
    std::int64_t origin_ = 0;
    std::vector<float> scratch_;
    std::unique_ptr<float[]> store_;
    std::int64_t capacity_ = 0;
    std::atomic<std::int64_t> kept_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Renders only when the test asks (renderCapture), on the test's thread.
class OfflineOutput final : public Output {
  public:
    OfflineOutput(Engine& engine, int r) {
        kind = OutputKind::Capture;
        rate = r;
        engine.mixer().rate = rate;
        block = kSubBlock;
        latencyFrames = 0;
        engine.clockOrigin.store(nowNs());
        description = "capture output, " + std::to_string(rate) + " Hz";
    }
    void stop() override {}
};

class PortAudioOutput final : public Output {
  public:
    explicit PortAudioOutput(Engine& engine) : engine_(engine) {}
    ~PortAudioOutput() override { stop(); }

    bool open() {
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
        if (Pa_OpenStream(&stream_, nullptr, &params, rate, block, paNoFlag,
                          &PortAudioOutput::callback, this) != paNoError) {
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

    void stop() override {
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

  private:
    static int callback(const void*, void* output, unsigned long frames,
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
        const std::int64_t limit =
            static_cast<std::int64_t>(4) * self->block * 1000000000 / self->rate;
        origin = (error > limit || error < -limit) ? seen : origin + error / 64;
        self->engine_.clockOrigin.store(origin, std::memory_order_relaxed);
        m.render(static_cast<float*>(output), static_cast<int>(frames));
        return paContinue;
    }

    Engine& engine_;
    PaStream* stream_ = nullptr;
    bool initialized_ = false;
};

void offlineWait() {
    Engine::get().wakeReader();
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

StreamCore::StreamCore(SNDFILE* file, int fileChannels, int channels_, int rate,
                       std::int64_t frames, std::vector<float> head_, std::int64_t headFrames_)
    : channels(channels_),
      fileRate(rate),
      fileFrames(frames),
      head(std::move(head_)),
      headFrames(headFrames_),
      file_(file),
      fileChannels_(fileChannels) {
    frequency.store(rate);
    play.endFrame = fileFrames;
    play.winStart = headFrames;
    if (needsReader()) {
        play.window.reset(new float[static_cast<std::size_t>(kWindowFrames) * channels]);
        readBuffer_.resize(static_cast<std::size_t>(kChunkFrames) * fileChannels_);
        request.store(static_cast<std::uint64_t>(headFrames));
    }
}

StreamCore::~StreamCore() {
    if (file_ != nullptr)
        sf_close(file_);
}

void StreamCore::serviceReader() {
    if (file_ == nullptr)
        return;
    for (;;) {
        const std::uint64_t req = request.load(std::memory_order_acquire);
        const auto epoch = static_cast<std::uint32_t>(req >> 40);
        if (epoch != readerEpoch_) {
            readerEpoch_ = epoch;
            readerNext_ = static_cast<std::int64_t>(req & ((std::uint64_t{1} << 40) - 1));
            readerEof_ = sf_seek(file_, readerNext_, SEEK_SET) < 0;
            if (readerEof_) {
                if (StreamChunk* c = chunks.reserve()) {
                    c->epoch = epoch;
                    c->start = readerNext_;
                    c->count = 0;
                    c->eof = true;
                    chunks.commit();
                } else {
                    readerEpoch_ = ~0u;  // try again when there is room
                }
            }
        }
        if (readerEof_)
            return;
        StreamChunk* c = chunks.reserve();
        if (c == nullptr)
            return;
        const sf_count_t got = sf_readf_float(file_, readBuffer_.data(), kChunkFrames);
        const int n = static_cast<int>(std::max<sf_count_t>(got, 0));
        for (int i = 0; i < n; ++i)
            for (int ch = 0; ch < channels; ++ch)
                c->samples[i * channels + ch] =
                    readBuffer_[static_cast<std::size_t>(i) * fileChannels_ + ch];
        c->epoch = epoch;
        c->start = readerNext_;
        c->count = n;
        c->eof = n < kChunkFrames;
        // A seek that came while reading makes this chunk stale; the mixer drops it.
        chunks.commit();
        readerNext_ += n;
        if (c->eof)
            readerEof_ = true;
    }
}

// ---------------------------------------------------------------------------------------------

Engine& Engine::get() {
    static Engine engine;
    return engine;
}

bool Engine::alive() {
    return g_engineAlive.load();
}

Engine::Engine() {
    g_engineAlive.store(true);
    reader_ = std::thread([this] { readerLoop(); });
}

Engine::~Engine() {
    g_engineAlive.store(false);
    stopOutput();
    {
        std::lock_guard lock(readerMutex_);
        readerStop_ = true;
    }
    readerWake_.notify_all();
    if (reader_.joinable())
        reader_.join();
    mixer_.releaseAll();
    collectGarbage();
    for (Command& c : overflow_)
        delete c.keep;
}

void Engine::readerLoop() {
    std::vector<std::shared_ptr<StreamCore>> snapshot;
    std::unique_lock lock(readerMutex_);
    while (!readerStop_) {
        snapshot = readerStreams_;
        lock.unlock();
        for (const auto& s : snapshot)
            s->serviceReader();
        snapshot.clear();
        lock.lock();
        readerWake_.wait_for(lock, std::chrono::milliseconds(3));
    }
}

void Engine::addReaderStream(const std::shared_ptr<StreamCore>& core) {
    {
        std::lock_guard lock(readerMutex_);
        readerStreams_.push_back(core);
    }
    readerWake_.notify_all();
}

void Engine::removeReaderStream(const StreamCore* core) {
    std::lock_guard lock(readerMutex_);
    std::erase_if(readerStreams_, [core](const auto& s) { return s.get() == core; });
}

void Engine::wakeReader() {
    readerWake_.notify_all();
}

void Engine::stopOutput() {
    if (output_)
        output_->stop();
    output_.reset();
    kind_ = OutputKind::None;
}

void Engine::startOutput(OutputKind kind, int rate, int block) {
    mixer_.reset();
    collectGarbage();
    mixer_.waitForReader = nullptr;
    if (kind == OutputKind::PortAudio) {
        auto pa = std::make_unique<PortAudioOutput>(*this);
        if (pa->open()) {
            output_ = std::move(pa);
        } else {
            pa->stop();
            kind = OutputKind::Null;
        }
    }
    if (kind == OutputKind::Capture) {
        output_ = std::make_unique<OfflineOutput>(*this, rate);
        mixer_.waitForReader = &offlineWait;
    } else if (kind == OutputKind::PacedCapture) {
        output_ = std::make_unique<PacedOutput>(*this, kind, rate, block, true);
        output_->description = "paced capture output, " + std::to_string(rate) + " Hz";
    } else if (kind == OutputKind::Null) {
        output_ = std::make_unique<PacedOutput>(*this, kind, kNullRate, kSubBlock, false);
        output_->description = "no sound device";
    }
    kind_ = output_->kind;
    rate_ = output_->rate;
}

void Engine::install(OutputKind kind, int rate, int block) {
    stopOutput();
    startOutput(kind, rate, block);
}

void Engine::ensureOutput() {
    if (kind_ != OutputKind::None)
        return;
    const char* env = std::getenv("VALDORIN_AUDIO");
    const bool null = env != nullptr && std::strcmp(env, "null") == 0;
    startOutput(null ? OutputKind::Null : OutputKind::PortAudio, 0, 0);
}

void Engine::shutdown() {
    stopOutput();
    mixer_.reset();
    collectGarbage();
}

void Engine::collectGarbage() {
    Retained* keep = nullptr;
    while (mixer_.garbage.pop(keep))
        delete keep;
}

void Engine::post(const Command& c) {
    ensureOutput();
    collectGarbage();
    while (!overflow_.empty() && mixer_.commands.push(overflow_.front()))
        overflow_.pop_front();
    if (!overflow_.empty() || !mixer_.commands.push(c))
        overflow_.push_back(c);
}

int Engine::rate() {
    ensureOutput();
    return rate_;
}

std::int64_t Engine::frameForTime(Clock::time_point t) const {
    const std::int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count() -
        clockOrigin.load(std::memory_order_relaxed);
    const __int128 scaled = static_cast<__int128>(ns) * rate_ + 500000000;
    __int128 q = scaled / 1000000000;
    if (scaled % 1000000000 < 0)
        --q;
    return static_cast<std::int64_t>(q);
}

Clock::time_point Engine::timeForFrame(std::int64_t frame) const {
    const std::int64_t ns =
        static_cast<std::int64_t>(static_cast<__int128>(frame) * 1000000000 / rate_);
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(clockOrigin.load() + ns)));
}

std::int64_t Engine::startFrame() {
    ensureOutput();
    if (!tickStamp)
        return -1;
    return frameForTime(*tickStamp) + output_->latencyFrames;
}

int Engine::allocateDevice() {
    for (int i = 1; i < kMaxDevices; ++i)
        if (!deviceUsed_[i]) {
            deviceUsed_[i] = true;
            return i;
        }
    return 0;  // shared by the devices beyond the table
}

void Engine::freeDevice(int id) {
    if (id > 0 && id < kMaxDevices)
        deviceUsed_[id] = false;
}

}  // namespace valdorin::audio::detail

// ---------------------------------------------------------------------------------------------

namespace valdorin::audio {

using detail::Engine;

void installCaptureOutput(int rate) {
    Engine::get().install(OutputKind::Capture, std::clamp(rate, 1000, 384000), 0);
}

void installPacedCaptureOutput(int rate, int blockFrames) {
    Engine::get().install(OutputKind::PacedCapture, std::clamp(rate, 1000, 384000),
                          std::clamp(blockFrames, 16, 4096));
}

void installDefaultOutput() {
    Engine& e = Engine::get();
    e.shutdown();
    e.ensureOutput();
}

void shutdownOutput() {
    if (Engine::alive())
        Engine::get().shutdown();
}

OutputKind outputKind() {
    return Engine::get().kind();
}

int outputRate() {
    return Engine::get().rate();
}

int outputBlockFrames() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.output()->block;
}

int outputLatencyFrames() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.output()->latencyFrames;
}

double deviceLatencySeconds() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.output()->deviceLatency;
}

std::string outputDescription() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e.output()->description;
}

std::vector<float> renderCapture(int frames) {
    Engine& e = Engine::get();
    std::vector<float> out(static_cast<std::size_t>(std::max(frames, 0)) * 2);
    if (e.kind() != OutputKind::Capture)
        return out;
    e.mixer().render(out.data(), std::max(frames, 0));
    e.collectGarbage();
    return out;
}

std::vector<float> capturedSoFar() {
    Engine& e = Engine::get();
    if (e.kind() != OutputKind::PacedCapture)
        return {};
    return static_cast<detail::PacedOutput*>(e.output())->captured();
}

std::int64_t renderedFrames() {
    return Engine::get().mixer().rendered.load();
}

Clock::time_point captureTimeForFrame(std::int64_t frame) {
    return Engine::get().timeForFrame(frame);
}

TickScope::TickScope(Clock::time_point nominal) {
    Engine& e = Engine::get();
    hadStamp_ = e.tickStamp.has_value();
    if (hadStamp_)
        previous_ = *e.tickStamp;
    e.tickStamp = nominal;
}

TickScope::~TickScope() {
    Engine& e = Engine::get();
    if (hadStamp_)
        e.tickStamp = previous_;
    else
        e.tickStamp.reset();
}

std::optional<Clock::time_point> currentTickStamp() {
    return Engine::get().tickStamp;
}

Clock::duration tickSlack() {
    return detail::kSlack;
}

void setApplicationActive(bool active) {
    detail::g_applicationActive.store(active);
}

bool applicationIsActive() {
    return detail::g_applicationActive.load();
}

}  // namespace valdorin::audio
