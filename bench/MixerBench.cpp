// What the mixer costs: 64 kit voices and 8 playing streams at 48 kHz, rendered in the
// real-time output's blocks of 256 frames. "core_fraction" is the share of one core the mixer
// needs to keep up in real time (CPU time per second of sound).

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "kits/KitFile.h"
#include "platform/audio/AudioFileStream.h"
#include "platform/audio/Engine.h"
#include "platform/audio/WaveList.h"
#include "support/AudioCapture.h"

namespace {

using namespace valdorin;
namespace stdfs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kBlock = 256;

std::vector<std::uint8_t> fmt16(int channels, int rate) {
    const auto body = riff::formatBody(riff::FormatFields::pcm(channels, rate, 16));
    return {body.begin(), body.end()};
}

std::vector<float> tone(double hz, int rate, int frames, int channels) {
    std::vector<float> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(0.01f * static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / rate)));
    return s;
}

void BM_Mixer64Voices8Streams(benchmark::State& state) {
    audio::installCaptureOutput(kRate);
    audio::SoundDevice device;
    device.Initialize();

    // Kit waves at 44.1 kHz (converted once, before the measurement), 30 s long so that no
    // voice ends while measured; half mono, half stereo.
    kits::TWaveCollection kit;
    for (int i = 0; i < 4; ++i) {
        const int channels = 1 + i % 2;
        const auto s = tone(200 + 50 * i, 44100, 30 * 44100, channels);
        std::vector<std::uint8_t> data;
        for (float x : s) {
            const auto v = static_cast<std::int16_t>(std::lround(x * 32767));
            le::append16(data, static_cast<std::uint16_t>(v));
        }
        kit.AddEntry().Wave.assign(fmt16(channels, 44100), std::move(data));
    }
    audio::WaveList list(device, kit);
    list.Prepare();
    for (int v = 0; v < 64; ++v) {
        auto& e = kit.EntryAt(v % 4);
        e.Pan = (v % 9 - 4) * 500;
        e.Volume = -(v % 5) * 300;
        list.PlayEntry(e);
    }

    // Streams of 44.1 kHz files played at other rates, so each one is interpolated.
    const stdfs::path dir =
        stdfs::temp_directory_path() / ("valdorin-mixbench-" + std::to_string(::getpid()));
    stdfs::create_directories(dir);
    std::vector<std::unique_ptr<audio::AudioFileStream>> streams;
    for (int i = 0; i < 8; ++i) {
        const int channels = 1 + i % 2;
        const auto path = dir / ("s" + std::to_string(i) + ".wav");
        SF_INFO info{};
        info.channels = channels;
        info.samplerate = 44100;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        const auto s = tone(300 + 20 * i, 44100, 60 * 44100, channels);
        sf_writef_float(f, s.data(), 60 * 44100);
        sf_close(f);
        auto stream = std::make_unique<audio::AudioFileStream>(device);
        stream->SetFileName(path.string());
        stream->SetFrequency(30000 + 5000 * i);
        stream->SetPan(i * 300 - 1200);
        stream->Play();
        streams.push_back(std::move(stream));
    }

    auto& mixer = audio::detail::Engine::get().mixer();
    std::vector<float> out(2 * kBlock);
    mixer.render(out.data(), kBlock);  // takes the commands in
    for (auto _ : state) {
        mixer.render(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["core_fraction"] = benchmark::Counter(
        static_cast<double>(kBlock) / kRate,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    streams.clear();
    stdfs::remove_all(dir);
}
// 2000 blocks: 10.7 s of sound, well within the waves' and files' length.
BENCHMARK(BM_Mixer64Voices8Streams)
    ->Iterations(2000)
    ->Repetitions(3)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
