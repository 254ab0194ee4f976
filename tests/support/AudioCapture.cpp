#include "support/AudioCapture.h"

#include <algorithm>
#include <thread>

#include "platform/audio/Engine.h"
#include "platform/audio/PacedOutput.h"

namespace valdorin::audio {

using detail::Engine;

namespace {

// The offline capture output: renders only when the test asks (renderCapture), on the test's
// thread, and waits for the stream reader instead of leaving a gap.
class CaptureOutput final : public detail::Output {
  public:
    CaptureOutput(Engine& engine, int r) {
        kind = OutputKind::Capture;
        rate = r;
        engine.mixer().rate = rate;
        engine.mixer().waitForReader = &waitForReader;
        block = detail::kSubBlock;
        latencyFrames = 0;
        engine.clockOrigin.store(detail::nowNs());
        description = "capture output, " + std::to_string(rate) + " Hz";
    }
    void stop() override {}

  private:
    static void waitForReader() {
        Engine::get().wakeReader();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
};

Engine& engineWithOutput() {
    Engine& e = Engine::get();
    e.ensureOutput();
    return e;
}

}  // namespace

void installCaptureOutput(int rate) {
    const int r = std::clamp(rate, 1000, 384000);
    Engine::get().install([r](Engine& e) { return std::make_unique<CaptureOutput>(e, r); });
}

void installPacedCaptureOutput(int rate, int blockFrames) {
    const int r = std::clamp(rate, 1000, 384000);
    const int b = std::clamp(blockFrames, 16, 4096);
    Engine::get().install([r, b](Engine& e) {
        auto out = std::make_unique<detail::PacedOutput>(e, OutputKind::PacedCapture, r, b, true);
        out->description = "paced capture output, " + std::to_string(r) + " Hz";
        return out;
    });
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
    return engineWithOutput().output()->block;
}

int outputLatencyFrames() {
    return engineWithOutput().output()->latencyFrames;
}

double deviceLatencySeconds() {
    return engineWithOutput().output()->deviceLatency;
}

std::string outputDescription() {
    return engineWithOutput().output()->description;
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

bool applicationIsActive() {
    return detail::g_applicationActive.load();
}

}  // namespace valdorin::audio
