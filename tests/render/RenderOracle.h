#pragma once
// An independent calculation of a rendered song, written from the render's rules and not from
// the program: hand-made compiled songs, stereo 16-bit test sounds, and the output worked out
// placement by placement (start frame near(time x 176400 / 4), linear interpolation at the
// play rate in extended precision, volume and pan gains, each sample limited to -32767..32767 after
// its addition).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "WavBytes.h"

namespace valdorin::render::test {

// A compiled song built line by line, as Compile song lays it out.
struct CompiledSong {
    std::vector<std::string> lines;

    // One played pattern: "//", the tempo, then the rows loop count times over.
    CompiledSong& pattern(int tempo, const std::vector<std::array<std::string, 6>>& rows,
                          int loops = 1) {
        lines.push_back("//");
        lines.push_back(std::to_string(tempo));
        for (int l = 0; l < loops; ++l)
            for (const auto& row : rows)
                lines.insert(lines.end(), row.begin(), row.end());
        return *this;
    }
    std::vector<std::string> done() const {
        auto all = lines;
        all.push_back("%%%");
        return all;
    }
};

// A kit cell text: the name padded to 10, "[", the digit, "]".
inline std::string kitCell(const std::string& name, char digit = ' ') {
    std::string t = name;
    t.resize(10, ' ');
    return t + "[" + digit + "]";
}

// A stereo 16-bit sound.
struct TestSound {
    int rate = 44100;
    std::vector<std::array<int, 2>> frames;

    Bytes wav() const {
        std::vector<int> values;
        for (const auto& f : frames)
            values.insert(values.end(), {f[0], f[1]});
        return riff({chunk("fmt ", formatBody(2, rate, 16)), chunk("data", samples16(values))});
    }
};

// A decaying saw on the left and a square on the right, different for every seed.
inline TestSound testSound(int frames, int amplitude, int seed, int rate = 44100) {
    TestSound s;
    s.rate = rate;
    for (int n = 0; n < frames; ++n) {
        const double decay = 1.0 - static_cast<double>(n) / frames;
        const int saw = ((n * (seed + 3)) % 200) - 100;
        const int square = ((n / (seed + 7)) % 2) ? 1 : -1;
        s.frames.push_back({static_cast<int>(amplitude * decay * saw / 100.0),
                            static_cast<int>(amplitude * decay * square * 0.7)});
    }
    return s;
}

struct OracleMix {
    std::vector<std::array<int, 2>> out;  // the output frames

    void add(const TestSound& src, int playRate, double time, double pan, double volume) {
        const double gain[2] = {pan > 1    ? 0.0
                                : pan >= 0 ? 1 - pan
                                           : 1.0,
                                pan < -1   ? 0.0
                                : pan <= 0 ? 1 + pan
                                           : 1.0};
        const auto count = static_cast<std::int64_t>(src.frames.size());
        if (count == 0)
            return;
        const std::int64_t start = std::llrint(176400.0 * time / 4);
        const double seconds = static_cast<double>(count) / src.rate * src.rate / playRate;
        const std::int64_t outFrames = std::llrint(44100.0 * seconds);
        const double ratio = static_cast<double>(outFrames) / static_cast<double>(count);
        if (static_cast<std::int64_t>(out.size()) < start + outFrames)
            out.resize(static_cast<std::size_t>(start + outFrames), {0, 0});
        for (std::int64_t n = 0; n < outFrames; ++n) {
            const double pos = static_cast<double>(n) / ratio;
            const auto i0 = static_cast<std::int64_t>(pos);
            const std::int64_t i1 = std::min(i0 + 1, count - 1);
            const double w0 = 1 - (pos - static_cast<double>(i0));
            const double w1 = 1 - w0;
            for (int c = 0; c < 2; ++c) {
                // Evaluated in extended precision, as the rule asks where it is available.
                const long double s0 = src.frames[static_cast<std::size_t>(i0)][c];
                const long double s1 = src.frames[static_cast<std::size_t>(i1)][c];
                auto& d = out[static_cast<std::size_t>(start + n)][c];
                const long v = std::lrint((s0 * w0 + s1 * w1) * volume * gain[c]) + d;
                d = static_cast<int>(std::clamp<long>(v, -32767, 32767));
            }
        }
    }

    // The WAV file the render writes: the 44-byte header, then the frames.
    Bytes wav() const {
        std::vector<int> values;
        for (const auto& f : out)
            values.insert(values.end(), {f[0], f[1]});
        return riff({chunk("fmt ", formatBody(2, 44100, 16)), chunk("data", samples16(values))});
    }
};

// The frames of a 16-bit stereo WAV file written with the 44-byte header.
inline std::vector<std::array<int, 2>> framesOf(const Bytes& wav) {
    std::vector<std::array<int, 2>> frames;
    for (std::size_t at = 44; at + 4 <= wav.size(); at += 4)
        frames.push_back({static_cast<std::int16_t>(wav[at] | (wav[at + 1] << 8)),
                          static_cast<std::int16_t>(wav[at + 2] | (wav[at + 3] << 8))});
    return frames;
}

}  // namespace valdorin::render::test
