// The song exports: a long busy song as a Standard MIDI File, and a rendered minute encoded as
// FLAC and as Ogg Vorbis.
//
//   build/release/bench/valdorin_export_bench

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/InstrumentList.h"
#include "render/AudioExport.h"
#include "render/MidiExport.h"
#include "render/wavaudio.h"

namespace {

using namespace valdorin;

// Thirty minutes at tempo value 60 (0.12 s a step): 15000 rows, every cell filled with a kit
// instrument and a volume digit, a tempo line every 16 rows.
std::vector<std::string> busySong() {
    std::vector<std::string> lines;
    for (int row = 0; row < 15000; ++row) {
        if (row % 16 == 0) {
            lines.push_back("//");
            lines.push_back("60");
        }
        for (int c = 0; c < 6; ++c) {
            std::string cell = instrumentEntry(1 + (row + c) % kKitInstruments);
            cell[kVolumeDigitIndex] = char('0' + (row * 7 + c) % 10);
            lines.push_back(cell);
        }
    }
    lines.push_back("%%%");
    return lines;
}

void BM_SongToMidi(benchmark::State& state) {
    const auto song = busySong();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto midi = render::SongToMidi(song);
        bytes = midi.size();
        benchmark::DoNotOptimize(midi.data());
    }
    state.counters["file_bytes"] = double(bytes);
}
BENCHMARK(BM_SongToMidi)->Unit(benchmark::kMillisecond);

// One minute of 44100 Hz 16-bit stereo: a decaying tone on the left, noise on the right.
std::filesystem::path minuteWav() {
    const auto dir = std::filesystem::temp_directory_path() / "valdorin_export_bench";
    std::filesystem::create_directories(dir);
    const auto path = dir / "minute.wav";
    if (std::filesystem::exists(path))
        return path;
    render::TWave w;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-8000, 8000);
    for (int f = 0; f < 60 * 44100; ++f) {
        w.SetSample(0, f,
                    std::int16_t(20000 * std::exp(-(f % 22050) / 6000.0) * std::sin(f * 0.06)));
        w.SetSample(1, f, std::int16_t(noise(rng)));
    }
    w.SaveToFile(path);
    return path;
}

void BM_ConvertMinute(benchmark::State& state) {
    const auto format = static_cast<render::AudioFormat>(state.range(0));
    const auto wav = minuteWav();
    const auto out = wav.parent_path() / "minute.out";
    for (auto _ : state)
        render::ConvertWav(wav, out, format);
    state.counters["file_bytes"] = double(std::filesystem::file_size(out));
}
BENCHMARK(BM_ConvertMinute)
    ->Arg(int(render::AudioFormat::Flac))
    ->Arg(int(render::AudioFormat::Ogg))
    ->Unit(benchmark::kMillisecond);

}  // namespace
