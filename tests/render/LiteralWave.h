#pragma once
// The WAV object transcribed sample by sample, as the yardstick for TWave: every sample access
// is one positioned read or write on the data stream or the backing file, LoadWindow reads the
// whole window and FlushWindow writes it all back. TWave must produce the same bytes and the
// same FrameCount for every sequence of operations.
//
// It follows the same rules where the description leaves a choice: a gap that the data grows
// over is silence (0x80 for 8 bits, 0 otherwise) and never overwrites stored bytes; a write to
// a negative frame is ignored; a memory-mode write to a frame at or past FrameCount raises it
// to that frame + 1; a cut-off 16-bit sample reads its one byte; the window is written back
// before SaveToFile and before leaving file-backed mode.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/RiffWave.h"
#include "render/wavaudio.h"

namespace valdorin::render::test {

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
        const auto format = riff::formatBody({WaveFormat.formatTag, WaveFormat.channels,
                                              std::uint32_t(WaveFormat.sampleRate),
                                              std::uint32_t(WaveFormat.avgBytesPerSec),
                                              WaveFormat.blockAlign, WaveFormat.bitsPerSample});
        return riff::image(format, data, riff::Tail::None);
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

}  // namespace valdorin::render::test
