// The engine: the one mixer, the output that drives it, the command and garbage queues between
// the UI thread and the mixer, and the clock model that places a tick's sounds.

#include "platform/audio/Engine.h"

#include <cstdlib>
#include <cstring>

#include "platform/audio/PacedOutput.h"
#include "platform/audio/PortAudioOutput.h"

namespace valdorin::audio::detail {

std::atomic<bool> g_applicationActive{true};

namespace {

std::atomic<bool> g_engineAlive{false};

constexpr int kNullRate = 44100;

}  // namespace

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

void Engine::stopOutput() {
    if (output_)
        output_->stop();
    output_.reset();
    kind_ = OutputKind::None;
}

void Engine::startOutput(const OutputFactory& make) {
    mixer_.reset();
    collectGarbage();
    mixer_.waitForReader = nullptr;
    output_ = make(*this);
    kind_ = output_->kind;
    rate_ = output_->rate;
}

void Engine::install(const OutputFactory& make) {
    stopOutput();
    startOutput(make);
}

void Engine::ensureOutput() {
    if (kind_ != OutputKind::None)
        return;
    const char* env = std::getenv("VALDORIN_AUDIO");
    const bool null = env != nullptr && std::strcmp(env, "null") == 0;
    startOutput([null](Engine& engine) -> std::unique_ptr<Output> {
        if (!null) {
            auto pa = std::make_unique<PortAudioOutput>(engine);
            if (pa->open())
                return pa;
            pa->stop();
        }
        auto out =
            std::make_unique<PacedOutput>(engine, OutputKind::Null, kNullRate, kSubBlock, false);
        out->description = "no sound device";
        return out;
    });
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
