#pragma once
// Sounds made for the sound platform's tests, and measurements of what the capture output
// rendered.

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "kits/KitFile.h"

namespace valdorin::audio::testing {

// A "fmt " body of 16 bytes.
inline std::vector<std::uint8_t> fmtChunk(int tag, int channels, int rate, int bits) {
    const int align = channels * bits / 8;
    const int bytesPerSec = align * rate;
    auto le16 = [](std::vector<std::uint8_t>& v, int x) {
        v.push_back(static_cast<std::uint8_t>(x & 0xFF));
        v.push_back(static_cast<std::uint8_t>((x >> 8) & 0xFF));
    };
    std::vector<std::uint8_t> f;
    le16(f, tag);
    le16(f, channels);
    le16(f, rate & 0xFFFF);
    le16(f, (rate >> 16) & 0xFFFF);
    le16(f, bytesPerSec & 0xFFFF);
    le16(f, (bytesPerSec >> 16) & 0xFFFF);
    le16(f, align);
    le16(f, bits);
    return f;
}

// Interleaved samples in -1..1 as 8-bit unsigned or 16-bit signed PCM bytes.
inline std::vector<std::uint8_t> pcmBytes(const std::vector<float>& samples, int bits) {
    std::vector<std::uint8_t> d;
    for (float x : samples) {
        if (bits == 8) {
            d.push_back(
                static_cast<std::uint8_t>(std::lround(std::clamp(x, -1.0f, 0.99f) * 128) + 128));
        } else {
            const auto v =
                static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0f, 0.99997f) * 32768));
            d.push_back(static_cast<std::uint8_t>(v & 0xFF));
            d.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        }
    }
    return d;
}

inline kits::TKitWave kitWave(const std::vector<float>& samples, int channels, int rate, int bits) {
    kits::TKitWave w;
    w.assign(fmtChunk(1, channels, rate, bits), pcmBytes(samples, bits));
    return w;
}

inline std::vector<float> sine(double hz, int rate, int frames, float amplitude = 0.5f,
                               int channels = 1) {
    std::vector<float> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(amplitude *
                        static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / rate)));
    return s;
}

// Writes interleaved samples as a WAV file; format is e.g. SF_FORMAT_PCM_16.
inline void writeWav(const std::filesystem::path& path, const std::vector<float>& samples,
                     int channels, int rate, int format = SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr)
        throw std::runtime_error("cannot write test WAV " + path.string());
    sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
    sf_close(f);
}

// One channel (0 left, 1 right) of interleaved stereo.
inline std::vector<float> channel(const std::vector<float>& stereo, int c) {
    std::vector<float> out;
    for (std::size_t i = c; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

inline int firstSound(const std::vector<float>& x, float threshold = 1e-4f) {
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > threshold)
            return static_cast<int>(i);
    return -1;
}

inline int lastSound(const std::vector<float>& x, float threshold = 1e-4f) {
    for (std::size_t i = x.size(); i-- > 0;)
        if (std::fabs(x[i]) > threshold)
            return static_cast<int>(i);
    return -1;
}

inline float peak(const std::vector<float>& x, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    float p = 0;
    for (std::size_t i = from; i < std::min(to, x.size()); ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}

// The frequency of a steady tone between two frames, in Hz, from its rising zero crossings.
inline double toneFrequency(const std::vector<float>& x, int from, int to, int rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (int i = std::max(from, 1); i < to && i < static_cast<int>(x.size()); ++i)
        if (x[i - 1] < 0 && x[i] >= 0) {
            const double at = i - 1 + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    if (crossings == 0)
        return 0;
    return crossings * rate / (last - first);
}

}  // namespace valdorin::audio::testing
