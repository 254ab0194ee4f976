// TWave::MixIn into a file-backed render destination, against the yardstick: the WAV object
// transcribed sample by sample (every sample access a positioned read or write on the data
// stream or the backing file; the whole window read and written back), shared with the tests
// that compare TWave against it.
//
//   valdorin_wavaudio_bench --benchmark_filter=Growing   # output frames per second
//   /usr/bin/time -v valdorin_wavaudio_bench --benchmark_filter=OneHour/   # peak resident memory
//   /usr/bin/time -v valdorin_wavaudio_bench --benchmark_filter=OneHourSave   # with the save
//
// Counters: frames/s is output frames per second of wall time; maxrss_MB is the process's
// peak resident memory so far (run one benchmark per process to read it for that one).

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "render/LiteralWave.h"
#include "render/wavaudio.h"

namespace {

using valdorin::render::TWave;
using valdorin::render::WaveFormatRecord;
namespace le = valdorin::le;
namespace riff = valdorin::riff;

using valdorin::render::test::LiteralWave;  // the yardstick

// ---- the scenario ---------------------------------------------------------------------------

constexpr int kRate = 44100;
constexpr int kSourceFrames = kRate / 2;  // 0.5 s

std::filesystem::path scratch(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("valdorin_wavaudio_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}

// A 0.5 s stereo hit: a decaying square-ish tone with noise, deterministic.
std::vector<std::uint8_t> sourceBytes() {
    std::vector<std::uint8_t> b;
    std::uint32_t noise = 1;
    for (int f = 0; f < kSourceFrames; ++f) {
        const int envelope = 30000 - f * 30000 / kSourceFrames;
        for (int c = 0; c < 2; ++c) {
            noise = noise * 1103515245u + 12345u;
            const int tone = ((f / (50 + c * 7)) % 2 ? envelope : -envelope) / 2;
            const int v = tone + int((noise >> 17) % 8192) - 4096;
            le::append16(b, std::uint16_t(v));
        }
    }
    return b;
}

// A stereo 16-bit 44100 Hz WAV file of the bytes.
void writeWav(const std::filesystem::path& path, const std::vector<std::uint8_t>& data) {
    LiteralWave w;
    w.Data = data;
    const auto image = w.SaveImage();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
}

// A WAV file of that many seconds of silence.
void prefillWav(const std::filesystem::path& path, double seconds) {
    const std::uint32_t n = std::uint32_t(std::llround(seconds * kRate) * 4);
    const auto header =
        riff::header(riff::formatBody(riff::FormatFields::pcm(2, kRate, 16)), n, riff::Tail::None);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(header.data(), 1, header.size(), f);
    std::vector<std::uint8_t> zeros(1 << 20, 0);
    for (long long left = n; left > 0; left -= (long long)zeros.size())
        std::fwrite(zeros.data(), 1, std::min<long long>(left, zeros.size()), f);
    std::fclose(f);
}

double peakRssMB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}

// placements hits spread evenly over seconds; prefill: the destination already holds
// that much silence (a later instrument of a render), else it grows as the hits go forward.
template <typename Wave>
void mixScenario(Wave& dest, Wave& source, int placements, double seconds) {
    for (int k = 0; k < placements; ++k)
        dest.MixIn(&source, kRate, seconds * k / placements, (k % 5 - 2) * 0.4, 0.7);
}

void setCounters(benchmark::State& state, int placements) {
    const double frames = double(placements) * kSourceFrames;
    state.counters["frames/s"] =
        benchmark::Counter(frames * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["maxrss_MB"] = peakRssMB();
}

void prefill(const std::filesystem::path& path, double seconds) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::vector<std::uint8_t> zeros(1 << 20, 0);
    long long left = (long long)std::llround(seconds * kRate) * 4;
    while (left > 0) {
        const long long n = std::min<long long>(left, zeros.size());
        std::fwrite(zeros.data(), 1, n, f);
        left -= n;
    }
    std::fclose(f);
}

void BM_TWave(benchmark::State& state) {
    const int placements = int(state.range(0));
    const double seconds = double(state.range(1));
    const bool prefilled = state.range(2) != 0;
    const auto sourcePath = scratch("source.tmp");
    const auto work = scratch("work.tmp");
    TWave source;
    writeWav(sourcePath, sourceBytes());
    source.LoadFromFile(sourcePath);
    for (auto _ : state) {
        state.PauseTiming();
        TWave dest;
        dest.BackingFileName = work;
        dest.SetFileBacked(true);
        if (prefilled) {
            prefillWav(scratch("prefill.wav"), seconds + 1);
            dest.LoadFromFile(scratch("prefill.wav"));  // copied into the backing file
        }
        state.ResumeTiming();
        mixScenario(dest, source, placements, seconds);
        benchmark::DoNotOptimize(dest.FrameCount);
    }
    setCounters(state, placements);
    std::filesystem::remove_all(work.parent_path());
}

void BM_Yardstick(benchmark::State& state) {
    const int placements = int(state.range(0));
    const double seconds = double(state.range(1));
    const bool prefilled = state.range(2) != 0;
    const auto work = scratch("literal.tmp");
    LiteralWave source;
    source.Data = sourceBytes();
    source.FrameCount = kSourceFrames;
    for (auto _ : state) {
        state.PauseTiming();
        LiteralWave dest;
        if (prefilled) {
            prefill(work, seconds + 1);
            dest.Backing = std::fopen(work.c_str(), "r+b");
            dest.FileBacked = true;
            dest.FlushWindow();
        } else {
            dest.BackingFileName = work;
            dest.SetFileBacked(true);
        }
        state.ResumeTiming();
        mixScenario(dest, source, placements, seconds);
        benchmark::DoNotOptimize(dest.FrameCount);
    }
    setCounters(state, placements);
    std::filesystem::remove_all(work.parent_path());
}

// The one-hour destination mixed, then saved as a WAV file (the data streamed from the backing
// file): the peak resident memory of a whole render.
void BM_OneHourRenderAndSave(benchmark::State& state) {
    const auto sourcePath = scratch("source.tmp");
    writeWav(sourcePath, sourceBytes());
    TWave source;
    source.LoadFromFile(sourcePath);
    for (auto _ : state) {
        TWave dest;
        dest.BackingFileName = scratch("work.tmp");
        dest.SetFileBacked(true);
        mixScenario(dest, source, 5000, 3600);
        dest.SaveToFile(scratch("song.wav"));
        state.counters["file_MB"] = double(std::filesystem::file_size(scratch("song.wav"))) / 1e6;
    }
    setCounters(state, 5000);
    std::filesystem::remove_all(sourcePath.parent_path());
}
BENCHMARK(BM_OneHourRenderAndSave)
    ->Name("OneHourSave/TWave")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// 5000 hits over 10 minutes, into a growing and into a prefilled destination.
BENCHMARK(BM_TWave)
    ->Name("Growing/TWave")
    ->Args({5000, 600, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Yardstick)
    ->Name("Growing/Yardstick")
    ->Args({5000, 600, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_TWave)
    ->Name("Prefilled/TWave")
    ->Args({5000, 600, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Yardstick)
    ->Name("Prefilled/Yardstick")
    ->Args({5000, 600, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// A one-hour destination: 5000 hits over 3600 s, for the peak resident memory.
BENCHMARK(BM_TWave)
    ->Name("OneHour/TWave")
    ->Args({5000, 3600, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
