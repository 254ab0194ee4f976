// Where the steps of a pattern land. A 16-step pattern is played by a real DXTimer whose tick
// starts a click (PlayEntry), into the paced capture output (rendering at real-time pace from
// its own thread, 256-frame blocks at 48 kHz), while the UI thread is kept busy between event
// loop passes. The onsets found in the captured sound are compared with the ideal grid (the
// first onset plus k step intervals): "max_error_frames" and "mean_error_frames". The same is
// computed for the moments the ticks were delivered ("unstamped_max_error_frames"): where the
// clicks would have landed had they started when the UI thread got round to them.
// "placement_error_frames" compares each onset with its tick's nominal time mapped to the
// output (plus the output's latency), and "reanchors" counts the ticks that came later than
// the slack and started the grid afresh (each one shifts the rest of the grid).
//
// BM_TriggerLatency reports the default output's configuration: how long after its tick's
// nominal time a step's sound is rendered, plus the device's own latency as PortAudio reports
// it; and the same for a sound started outside a tick, which waits at most one block.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "kits/KitFile.h"
#include "platform/Timer.h"
#include "platform/audio/Engine.h"
#include "platform/audio/WaveList.h"
#include "support/AudioCapture.h"

namespace {

using namespace valdorin;
using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;

QApplication& app() {
    static int argc = 1;
    static char name[] = "valdorin_steps_bench";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication a(argc, argv);
    return a;
}

void BM_StepOnsets(benchmark::State& state) {
    app();
    platform::setActivityProbe([] { return true; });
    const int tempo = static_cast<int>(state.range(0));
    const int interval = 2 * tempo;  // ms
    const int stepFrames = interval * kRate / 1000;

    audio::installPacedCaptureOutput(kRate, 256);
    audio::SoundDevice device;
    device.Initialize();
    kits::TWaveCollection kit;
    auto& click = kit.AddEntry();
    // 10 frames of full scale, then silence.
    std::vector<std::uint8_t> data(2 * 10);
    for (int i = 0; i < 10; ++i) {
        data[2 * i] = 0xFF;
        data[2 * i + 1] = 0x3F;
    }
    click.Wave.assign({1, 0, 1, 0, 0x80, 0xBB, 0, 0, 0, 0x77, 1, 0, 2, 0, 16, 0}, data);
    audio::WaveList list(device, kit);
    list.Prepare();

    double maxError = 0, meanError = 0, unstampedMax = 0, placementMax = 0;
    int reanchors = 0;
    std::mt19937 random(tempo);
    for (auto _ : state) {
        platform::DXTimer timer;
        int steps = 0;
        std::vector<Clock::time_point> delivered, nominal;
        timer.OnTimer = [&] {
            delivered.push_back(Clock::now());
            nominal.push_back(*audio::currentTickStamp());
            list.PlayEntry(click);
            if (++steps == 16)
                timer.SetEnabled(false);
        };
        timer.SetInterval(interval);
        timer.SetEnabled(true);
        // The busy UI thread: a pass of the event loop, then 0.1 to 1.5 ms of work.
        std::uniform_int_distribution<int> work(100, 1500);
        while (steps < 16) {
            app().processEvents();
            const auto until = Clock::now() + std::chrono::microseconds(work(random));
            while (Clock::now() < until) {
            }
        }
        // Let the last click be rendered.
        const auto until = Clock::now() + std::chrono::milliseconds(100);
        while (Clock::now() < until)
            app().processEvents();

        const std::vector<float> captured = audio::capturedSoFar();
        std::vector<std::int64_t> onsets;
        for (std::size_t i = 0; i < captured.size(); i += 2)
            if (captured[i] > 0.1f && (i == 0 || captured[i - 2] <= 0.1f))
                onsets.push_back(static_cast<std::int64_t>(i / 2));
        if (onsets.size() != 16) {
            state.SkipWithError("the capture did not hold 16 onsets");
            break;
        }
        const auto& engine = audio::detail::Engine::get();
        for (int k = 0; k < 16; ++k) {
            const std::int64_t placed =
                engine.frameForTime(nominal[k]) + audio::outputLatencyFrames();
            placementMax =
                std::max(placementMax, std::fabs(static_cast<double>(onsets[k] - placed)));
            if (k > 0 && nominal[k] - nominal[k - 1] != std::chrono::milliseconds(interval))
                ++reanchors;
            const double e = std::fabs(static_cast<double>(onsets[k] - onsets[0] - k * stepFrames));
            maxError = std::max(maxError, e);
            meanError += e / 16;
            const double u = std::fabs(
                std::chrono::duration<double>(delivered[k] - delivered[0]).count() * kRate -
                k * stepFrames);
            unstampedMax = std::max(unstampedMax, u);
        }
        audio::installPacedCaptureOutput(kRate, 256);  // a fresh capture for the next run
    }
    state.counters["max_error_frames"] = maxError;
    state.counters["mean_error_frames"] = meanError / state.iterations();
    state.counters["unstamped_max_error_frames"] = unstampedMax;
    state.counters["step_ms"] = interval;
    state.counters["placement_error_frames"] = placementMax;
    state.counters["reanchors"] = reanchors;
    device.Finalize();
    audio::installCaptureOutput(kRate);
}
BENCHMARK(BM_StepOnsets)
    ->Arg(1)
    ->Arg(30)
    ->Arg(60)
    ->Arg(140)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TriggerLatency(benchmark::State& state) {
    audio::installDefaultOutput();
    const double rate = audio::outputRate();
    for (auto _ : state)
        benchmark::DoNotOptimize(audio::outputLatencyFrames());
    const double mixerMs = audio::outputLatencyFrames() * 1000.0 / rate;
    state.counters["rate"] = rate;
    state.counters["block_frames"] = audio::outputBlockFrames();
    state.counters["scheduling_ms"] = mixerMs;
    state.counters["device_ms"] = audio::deviceLatencySeconds() * 1000.0;
    state.counters["trigger_to_output_ms"] = mixerMs + audio::deviceLatencySeconds() * 1000.0;
    // A sound started outside a timer tick (Play Instrument) waits at most one block.
    state.counters["immediate_to_output_ms"] =
        audio::outputBlockFrames() * 1000.0 / rate + audio::deviceLatencySeconds() * 1000.0;
    state.counters["null_output"] = audio::outputKind() == audio::OutputKind::Null ? 1 : 0;
    state.SetLabel(audio::outputDescription());
}
BENCHMARK(BM_TriggerLatency)->Iterations(1);

}  // namespace
