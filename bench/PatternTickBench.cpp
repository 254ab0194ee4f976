// What one pattern step costs the UI thread. BM_PatternTick drives TSequence::DXTimer2Timer of
// the real main window (offscreen, default kit) with six filled kit cells on a one-step
// pattern with Repeat, as the timer would: inside a TickScope, with the capture output rendering
// the 2 milliseconds of the shortest step interval between ticks (not timed), so that the mixer
// takes the started voices as it does in real time. BM_CellTriggerRules times only the
// decoding and dispatch of the six cells, over a sound interface that does nothing.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/DefaultKit.h"
#include "platform/Dialogs.h"
#include "platform/Timer.h"
#include "playback/CellTrigger.h"
#include "support/AudioCapture.h"

namespace {

using namespace valdorin;
constexpr int kRate = 44100;
constexpr int kShortestStepFrames = 2 * kRate / 1000;

const char* const kCells[6] = {"Kick      [5]", "Snare     [3]", "ClsHiat   [ ]",
                               "Tom1      [2]", "Cymbol1   [7]", "Tamb      [0]"};

QApplication& app() {
    static int argc = 1;
    static char name[] = "valdorin_pattern_tick_bench";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (std::getenv("VALDORIN_AUDIO") == nullptr)
        ::setenv("VALDORIN_AUDIO", "null", 1);
    static QApplication a(argc, argv);
    return a;
}

// A program directory of its own, seeded with the default kit and the start-up files.
void enterProgramDirectory() {
    static const std::filesystem::path dir = [] {
        std::string templ =
            (std::filesystem::temp_directory_path() / "valdorin-tick-XXXXXX").string();
        const char* made = ::mkdtemp(templ.data());
        if (made == nullptr)
            std::abort();
        std::filesystem::path d(made);
        kits::SeedProgramDirectory(d);
        return d;
    }();
    std::filesystem::current_path(dir);
}

void BM_PatternTick(benchmark::State& state) {
    app();
    enterProgramDirectory();
    platform::setActivityProbe([] { return true; });
    // A message box must not wait for a click here; any message is reported instead.
    platform::ScriptedDialogs dialogs;
    platform::setDialogs(&dialogs);
    createWindows();
    TSequence* seq = windows().Sequence;
    audio::installCaptureOutput(kRate);
    seq->DXWaveList1->Prepare();
    seq->Grid.setCell(2, 0, "1");
    for (int c = 1; c <= 6; ++c)
        seq->Grid.setCell(c, 2, kCells[c - 1]);
    seq->endless->setChecked(true);
    seq->BitBtn3Click();

    std::int64_t frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        audio::renderCapture(kShortestStepFrames);
        frame += kShortestStepFrames;
        const audio::TickScope scope(audio::captureTimeForFrame(frame));
        state.ResumeTiming();
        seq->DXTimer2Timer();
    }
    if (seq->PatternRow != 2 || !seq->DXTimer2.Enabled())
        state.SkipWithError("the pattern did not repeat");
    seq->BitBtn4Click();
    if (!dialogs.errors().empty())
        state.SkipWithError(dialogs.errors().front().c_str());
    destroyWindows();
    platform::setDialogs(nullptr);
    audio::installDefaultOutput();
}
BENCHMARK(BM_PatternTick)->Unit(benchmark::kMicrosecond);

class NoSounds final : public playback::CellSounds {
  public:
    int count = 0;
    void setKitVolume(int, int volume) override { count += volume; }
    void playKit(int instrument) override { count += instrument; }
    void restartSlot(int slot) override { count += slot; }
};

void BM_CellTriggerRules(benchmark::State& state) {
    NoSounds sounds;
    const std::string cells[6] = {kCells[0], kCells[1], kCells[2], kCells[3], kCells[4], kCells[5]};
    for (auto _ : state) {
        for (const auto& cell : cells)
            playback::triggerCell(cell, sounds);
        benchmark::DoNotOptimize(sounds.count);
    }
}
BENCHMARK(BM_CellTriggerRules)->Unit(benchmark::kMicrosecond);

}  // namespace
