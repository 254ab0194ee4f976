#include "platform/audio/PacedOutput.h"

namespace valdorin::audio::detail {

PacedOutput::PacedOutput(Engine& engine, OutputKind k, int r, int b, bool keep) : engine_(engine) {
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

PacedOutput::~PacedOutput() {
    stop();
}

void PacedOutput::stop() {
    stop_.store(true);
    if (thread_.joinable())
        thread_.join();
}

std::vector<float> PacedOutput::captured() const {
    const std::int64_t n = kept_.load(std::memory_order_acquire);
    return std::vector<float>(store_.get(), store_.get() + 2 * n);
}

void PacedOutput::run() {
    std::int64_t frame = 0;
    while (!stop_.load(std::memory_order_relaxed)) {
        const std::int64_t due =
            origin_ + static_cast<std::int64_t>(static_cast<__int128>(frame) * 1000000000 / rate);
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

}  // namespace valdorin::audio::detail
