// TWave::MixIn into a file-backed render destination, against the yardstick: the WAV object
// transcribed sample by sample (every sample access a positioned read or write on the data
// stream or the backing file; the whole window read and written back), kept only here.
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

#include "render/wavaudio.h"

namespace {

using valdorin::render::TWave;
using valdorin::render::WaveFormatRecord;

// ---- the yardstick (a copy of tests/render/LiteralWave.h) ---------------------------------

class LiteralWave {
  public:
    static constexpr std::int32_t WindowFrames = TWave::WindowFrames;
    static constexpr std::int32_t NoWindow = TWave::NoWindow;

    WaveFormatRecord WaveFormat;
    std::int32_t FrameCount = 0;
    std::vector<std::uint8_t> Data;
    bool FileBacked = false;
    std::filesystem::path BackingFileName;
    std::FILE* Backing = nullptr;
    std::int32_t WindowStart = NoWindow;

    LiteralWave() = default;
    LiteralWave(const LiteralWave&) = delete;
    LiteralWave& operator=(const LiteralWave&) = delete;
    ~LiteralWave() {
        if (Backing)
            std::fclose(Backing);
    }

    double Duration() const { return double(FrameCount) / double(WaveFormat.sampleRate); }

    int GetSample(int channel, int frame) {
        if (channel > WaveFormat.channels)
            return 0;
        long long address = std::llround(std::nearbyint(
            double(frame) * WaveFormat.blockAlign + channel * WaveFormat.bitsPerSample * 0.125));
        if (frame < 0 || frame >= FrameCount)
            return 0;
        std::uint8_t bytes[2] = {0, 0};
        long long got;
        if (!FileBacked) {
            got = streamRead(Data, address, bytes);
        } else if (inWindow(frame)) {
            got = streamRead(Data, address - (long long)WindowStart * WaveFormat.blockAlign, bytes);
        } else {
            got = fileRead(address, bytes, bytesPerSample());
        }
        if (got == 0)
            return 0;
        if (WaveFormat.bitsPerSample == 8)
            return (bytes[0] - 128) * 255;
        return std::int16_t(std::uint16_t(bytes[0] | (bytes[1] << 8)));
    }

    void SetSample(int channel, int frame, std::int16_t value) {
        if (channel < 0 || channel > WaveFormat.channels)
            return;
        long long address = std::llround(std::nearbyint(
            double(frame) * WaveFormat.blockAlign + channel * WaveFormat.bitsPerSample * 0.125));
        if (address < 0 || frame < 0)
            return;
        if (!FileBacked) {
            streamWrite(Data, address, value);
            if (frame >= FrameCount)
                FrameCount = frame + 1;
            return;
        }
        const long long ba = WaveFormat.blockAlign;
        if (inWindow(frame)) {
            long long rel = address - WindowStart * ba;
            long long end = ((long long)FrameCount - WindowStart) * ba;
            if (rel > end) {
                // The silence covers only bytes not stored yet (streamWrite grows over them).
                FrameCount = frame + 1;
            }
            streamWrite(Data, rel, value);
            return;
        }
        FlushWindow();
        if (address > (long long)FrameCount * ba) {
            long long size = fileSize();
            const std::uint8_t silence = WaveFormat.bitsPerSample == 8 ? 0x80 : 0;
            while (size < address) {
                std::uint8_t piece[100];
                long long n = std::min<long long>(100, address - size);
                std::fill(piece, piece + n, silence);
                fileWrite(size, piece, n);
                size += n;
            }
            FrameCount = frame + 1;
        }
        WindowStart = frame;
        LoadWindow();
        streamWrite(Data, address - WindowStart * ba, value);
    }

    void FlushWindow() {
        if (!FileBacked)
            return;
        const long long ba = WaveFormat.blockAlign;
        if (WindowStart != NoWindow) {
            long long n = std::min<long long>(Data.size(), (long long)WindowFrames * ba);
            if (n > 0)
                fileWrite((long long)WindowStart * ba, Data.data(), n);
        }
        FrameCount = (std::int32_t)std::nearbyint(double(fileSize()) / double(ba));
        Data.clear();
        WindowStart = NoWindow;
    }

    void LoadWindow() {
        if (!FileBacked)
            return;
        Data.clear();
        if (WindowStart < 0)
            return;
        const long long ba = WaveFormat.blockAlign;
        long long amount = std::min<long long>(fileSize() - (long long)WindowStart * ba,
                                               (long long)WindowFrames * ba);
        if (amount <= 0)
            return;
        Data.resize(amount);
        fileRead((long long)WindowStart * ba, Data.data(), amount);
    }

    void SetFileBacked(bool on) {
        if (on == FileBacked)
            return;
        if (on) {
            Backing = std::fopen(BackingFileName.c_str(), "w+b");
            if (!Backing)
                throw std::runtime_error("cannot create backing file");
            if (!Data.empty())
                fileWrite(0, Data.data(), Data.size());
            Data.clear();
            FileBacked = true;
            WindowStart = NoWindow;
            return;
        }
        if (WindowStart != NoWindow)
            FlushWindow();
        Data.resize(fileSize());
        if (!Data.empty())
            fileRead(0, Data.data(), Data.size());
        std::fclose(Backing);
        Backing = nullptr;
        FileBacked = false;
        WindowStart = NoWindow;
    }

    // The bytes SaveToFile writes.
    std::vector<std::uint8_t> SaveImage() {
        if (FileBacked && WindowStart != NoWindow)
            FlushWindow();
        std::vector<std::uint8_t> data = Data;
        if (FileBacked) {
            data.resize(fileSize());
            if (!data.empty())
                fileRead(0, data.data(), data.size());
        }
        std::vector<std::uint8_t> out;
        auto put = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                out.push_back(std::uint8_t(v >> (8 * i)));
        };
        auto text = [&](const char* s) { out.insert(out.end(), s, s + 4); };
        text("RIFF");
        put(std::uint32_t(data.size() + 36), 4);
        text("WAVE");
        text("fmt ");
        put(16, 4);
        put(WaveFormat.formatTag, 2);
        put(WaveFormat.channels, 2);
        put(std::uint32_t(WaveFormat.sampleRate), 4);
        put(std::uint32_t(WaveFormat.avgBytesPerSec), 4);
        put(WaveFormat.blockAlign, 2);
        put(WaveFormat.bitsPerSample, 2);
        text("data");
        put(std::uint32_t(data.size()), 4);
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }

    void MixIn(LiteralWave* source, int playRate, double start, double pan, double volume) {
        long long startFrame = 0;
        const double startPosition =
            double(WaveFormat.avgBytesPerSec) * start / WaveFormat.blockAlign;
        double gain[2];
        gain[0] = pan > 1 ? 0.0 : (0 <= pan && pan <= 1) ? 1 - pan : 1.0;
        gain[1] = pan < -1 ? 0.0 : (-1 <= pan && pan <= 0) ? 1 + pan : 1.0;
        if (source && source->FrameCount > 0 && playRate != 0 &&
            source->WaveFormat.sampleRate != 0 && std::fabs(startPosition) < 4e18) {
            startFrame = (long long)std::nearbyint(startPosition);
            double playSeconds = source->Duration() * source->WaveFormat.sampleRate / playRate;
            double outputFrames = std::nearbyint(WaveFormat.sampleRate * playSeconds);
            double ratio = outputFrames / source->FrameCount;
            long long last =
                std::min<long long>((long long)std::min(outputFrames, 4e18),
                                    std::numeric_limits<std::int32_t>::max() - startFrame);
            for (long long n = 0; n < last; ++n) {
                if (startFrame + n < 0)
                    continue;
                double pos = n / ratio;
                long long i0 = (long long)std::trunc(pos);
                long long i1 = std::min<long long>(i0 + 1, source->FrameCount - 1);
                double w0 = 1 - (pos - i0);
                double w1 = 1 - w0;
                for (int c = 0; c < WaveFormat.channels && c < 2; ++c) {
                    int s0 = source->GetSample(c, (int)i0);
                    int s1 = source->GetSample(c, (int)i1);
                    int d = GetSample(c, (int)(startFrame + n));
                    long double x =
                        ((long double)s0 * w0 + (long double)s1 * w1) * volume * gain[c];
                    long long r;
                    if (std::isnan(x))
                        r = 0;
                    else
                        r = (long long)std::nearbyint(std::clamp<long double>(x, -1e9L, 1e9L));
                    long long v = std::clamp<long long>(r + d, -32767, 32767);
                    SetSample(c, (int)(startFrame + n), (std::int16_t)v);
                }
            }
        }
        if (FileBacked && Backing)
            FlushWindow();
    }

  private:
    long long bytesPerSample() const { return WaveFormat.bitsPerSample / 8; }
    bool inWindow(long long frame) const {
        return WindowStart <= frame && frame < (long long)WindowStart + WindowFrames;
    }

    // Reads up to one sample at pos of a memory stream; the count of bytes found.
    long long streamRead(const std::vector<std::uint8_t>& s, long long pos, std::uint8_t* out) {
        if (pos < 0 || pos >= (long long)s.size())
            return 0;
        long long n = std::min<long long>({bytesPerSample(), 2, (long long)s.size() - pos});
        for (long long i = 0; i < n; ++i)
            out[i] = s[pos + i];
        return n;
    }
    void streamWrite(std::vector<std::uint8_t>& s, long long pos, std::int16_t value) {
        std::uint8_t bytes[2];
        long long n = bytesPerSample();
        if (n == 1) {
            long long b = (long long)std::nearbyint(value / 255.0) + 128;
            bytes[0] = (std::uint8_t)std::clamp<long long>(b, 0, 255);
        } else {
            bytes[0] = std::uint8_t(value & 0xFF);
            bytes[1] = std::uint8_t((std::uint16_t(value) >> 8) & 0xFF);
        }
        if ((long long)s.size() < pos + n)
            s.resize(pos + n, WaveFormat.bitsPerSample == 8 ? 0x80 : 0);
        for (long long i = 0; i < n; ++i)
            s[pos + i] = bytes[i];
    }

    long long fileSize() {
        std::fseek(Backing, 0, SEEK_END);
        return std::ftell(Backing);
    }
    long long fileRead(long long pos, std::uint8_t* out, long long n) {
        if (pos < 0)
            return 0;
        std::fseek(Backing, pos, SEEK_SET);
        return (long long)std::fread(out, 1, n, Backing);
    }
    void fileWrite(long long pos, const std::uint8_t* bytes, long long n) {
        long long size = fileSize();
        const std::uint8_t silence = WaveFormat.bitsPerSample == 8 ? 0x80 : 0;
        while (size < pos) {
            std::fputc(silence, Backing);
            ++size;
        }
        std::fseek(Backing, pos, SEEK_SET);
        std::fwrite(bytes, 1, n, Backing);
        std::fflush(Backing);
    }
};

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
            b.push_back(std::uint8_t(v));
            b.push_back(std::uint8_t(unsigned(v) >> 8));
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
    LiteralWave w;
    auto header = w.SaveImage();
    const std::uint32_t n = std::uint32_t(std::llround(seconds * kRate) * 4);
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = std::uint8_t((n + 36) >> (8 * i));
        header[40 + i] = std::uint8_t(n >> (8 * i));
    }
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
