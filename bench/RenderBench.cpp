// The song renderer on a busy song, through the same code as `valdorin-cli render`: four
// 64-step patterns at tempo values 50 to 70, about half of all cells filled, all 16 kit
// instruments of the default kit and 8 sample slots of 0.2 to 1 second, loop counts making
// five (or thirty) minutes of music.
//
//   valdorin_render_bench                                  # the benchmarks
//   valdorin_render_bench --write-busy-song DIR [MINUTES]  # a program directory with busy.sng
//   /usr/bin/time -v valdorin-cli render DIR/busy.sng out.wav --dir DIR   # speed and memory
//
// Counter: music_s_per_s is seconds of music rendered per second of wall time.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/RenderCli.h"
#include "core/InstrumentList.h"
#include "core/Text.h"
#include "kits/DefaultKit.h"
#include "kits/KitFile.h"
#include "platform/FileSystem.h"
#include "song/PatternFile.h"

namespace {

using valdorin::GridTable;
namespace fs = std::filesystem;

constexpr int kSteps = 64;
constexpr int kTempos[4] = {50, 57, 63, 70};

// One loop of the four patterns, in seconds.
double loopSeconds() {
    double s = 0;
    for (int t : kTempos)
        s += kSteps * 2 * t * 0.001;
    return s;
}

// Writes a program directory holding busy.sng and everything it needs; returns the song's
// length in seconds.
double writeBusySong(const fs::path& dir, double minutes) {
    fs::create_directories(dir);
    valdorin::kits::SeedProgramDirectory(dir);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };

    // Eight samples of 0.2 to 1 second: decaying noise bursts, 16-bit stereo at 44100 Hz.
    std::vector<std::string> songLines;
    for (int k = 1; k <= 8; ++k) {
        const int frames = static_cast<int>(44100 * (0.2 + 0.8 * (k - 1) / 7.0));
        std::vector<std::uint8_t> data;
        for (int n = 0; n < frames; ++n)
            for (int c = 0; c < 2; ++c) {
                const double decay = std::exp(-3.0 * n / frames);
                const auto v =
                    static_cast<std::int16_t>((static_cast<int>(next() % 20000) - 10000) * decay);
                data.push_back(static_cast<std::uint8_t>(v));
                data.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
            }
        std::vector<std::uint8_t> format = {1,    0,    2, 0, 0x44, 0xAC, 0,  0,
                                            0x10, 0xB1, 2, 0, 4,    0,    16, 0};
        valdorin::kits::TKitWave wave;
        wave.assign(format, data);
        valdorin::kits::SaveWaveFile(wave, dir / ("busy" + std::to_string(k) + ".wav"));
    }

    const int loops = std::max(1, static_cast<int>(std::lround(minutes * 60 / loopSeconds())));
    for (int p = 0; p < 4; ++p) {
        GridTable grid;
        grid.setRowCount(kSteps + 3);
        const std::string name = "Busy" + std::to_string(p + 1);
        grid.setCell(0, 0, name);
        grid.setCell(1, 0, "Length:");
        grid.setCell(2, 0, std::to_string(kSteps));
        for (int r = 2; r < kSteps + 2; ++r)
            for (int c = 1; c <= 6; ++c) {
                if (next() % 2)
                    continue;
                const int choice = static_cast<int>(next() % 24);
                if (choice < 16) {
                    std::string text = valdorin::instrumentEntry(choice + 1);
                    text[valdorin::kVolumeDigitIndex] = static_cast<char>('0' + next() % 8);
                    grid.setCell(c, r, text);
                } else {
                    grid.setCell(c, r, "Sample" + std::to_string(choice - 15));
                }
            }
        valdorin::song::SlotLines slots;
        for (auto& s : slots)
            s = {"Blank.wav", 22050};
        valdorin::song::writePatternFile(
            dir / (name + ".pat"),
            valdorin::song::patternFileLines(grid, kSteps, kTempos[p], loops, slots));
        songLines.push_back(name);
    }
    for (int k = 1; k <= 8; ++k)
        songLines.insert(songLines.end(),
                         {"<*sam" + std::to_string(k), "busy" + std::to_string(k) + ".wav", "44100",
                          "//", std::to_string((k - 4) * 500)});
    valdorin::fs::writeLines(dir / "busy.sng", songLines);
    return loops * loopSeconds();
}

void renderBusySong(benchmark::State& state, double minutes) {
    const fs::path dir = fs::temp_directory_path() /
                         ("valdorin-render-bench-" + std::to_string(static_cast<int>(minutes)));
    fs::remove_all(dir);
    const double seconds = writeBusySong(dir, minutes);
    for (auto _ : state)
        valdorin::cli::renderSongFile(dir / "busy.sng", dir / "out.wav", dir, nullptr);
    state.counters["music_s_per_s"] = benchmark::Counter(
        seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    fs::remove_all(dir);
}

void BM_RenderBusySong5Min(benchmark::State& state) {
    renderBusySong(state, 5);
}
BENCHMARK(BM_RenderBusySong5Min)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_RenderBusySong30Min(benchmark::State& state) {
    renderBusySong(state, 30);
}
BENCHMARK(BM_RenderBusySong30Min)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write-busy-song") == 0) {
        const double minutes = argc >= 4 ? std::atof(argv[3]) : 5.0;
        const double seconds = writeBusySong(argv[2], minutes);
        std::printf("%s: %.2f seconds of music\n", (fs::path(argv[2]) / "busy.sng").c_str(),
                    seconds);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
