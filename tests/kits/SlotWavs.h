#pragma once
// WAV files for the sample slot tests, written with libsndfile into a test's own directory.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace valdorin::kits::testing {

inline int sndfileFormat(int bits) {
    switch (bits) {
        case 8:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
        case 24:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        default:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    }
}

// Writes interleaved frames in -1..1.
inline void writeWav(const std::filesystem::path& path, int rate, int channels, int bits,
                     const std::vector<float>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = sndfileFormat(bits);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path.string());
    sf_writef_float(f, interleaved.data(), sf_count_t(interleaved.size() / channels));
    sf_close(f);
}

// A sine of `hz` in every channel.
inline void writeSine(const std::filesystem::path& path, int rate, int channels, int bits,
                      double seconds, double hz = 441.0) {
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<float> s(frames * channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = float(0.5 * std::sin(2 * M_PI * hz * double(i) / rate));
    writeWav(path, rate, channels, bits, s);
}

// Silence, mono 16 bit.
inline void writeSilence(const std::filesystem::path& path, int rate, double seconds) {
    writeWav(path, rate, 1, 16, std::vector<float>(static_cast<std::size_t>(rate * seconds)));
}

inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The files a slot cannot read, by what is wrong with them; written beside `sound`, a
// readable 16-bit WAV whose bytes the damaged ones are made from.
struct DamagedWav {
    const char* what;
    std::string (*bytes)(const std::string& sound);
};

inline const std::vector<DamagedWav>& damagedWavs() {
    static const std::vector<DamagedWav> list = {
        {"text", [](const std::string&) { return std::string("just some words\r\n"); }},
        {"zero bytes", [](const std::string&) { return std::string(); }},
        {"header cut in the format chunk", [](const std::string& s) { return s.substr(0, 24); }},
        {"riff without wave",
         [](const std::string& s) { return "RIFF" + s.substr(4, 4) + "JUNK"; }},
        {"format chunk of zero channels",
         [](const std::string& s) {
             std::string b = s;
             b[22] = 0;
             b[23] = 0;
             return b;
         }},
    };
    return list;
}

// Test names for a parameterized suite over damagedWavs(): the description's letters.
inline std::string damagedWavName(const ::testing::TestParamInfo<DamagedWav>& info) {
    std::string name;
    for (char c : std::string(info.param.what))
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name;
}

// The data chunk claims two gigabytes while the file holds a fraction of a second.
inline std::string hugeDataCount(const std::string& sound) {
    std::string b = sound;
    const auto data = b.find("data");
    if (data == std::string::npos)
        throw std::runtime_error("no data chunk");
    for (int i = 0; i < 4; ++i)
        b[data + 4 + i] = char(i == 3 ? 0x7F : 0xF0);
    return b;
}

// Frequency of a signal from its sign changes, in cycles per second.
inline double measuredPitch(const std::vector<float>& interleaved, int rate, std::size_t from,
                            std::size_t to) {
    int changes = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        if ((interleaved[2 * (i - 1)] < 0) != (interleaved[2 * i] < 0))
            ++changes;
    return changes / 2.0 * rate / double(to - from);
}

}  // namespace valdorin::kits::testing
