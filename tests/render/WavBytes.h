#pragma once
// Building blocks for WAV images in tests, and a fixture with a fresh scratch directory.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "platform/FileSystem.h"
#include "render/wavaudio.h"

namespace valdorin::render::test {

using Bytes = std::vector<std::uint8_t>;

inline void putLe(Bytes& b, std::uint32_t v, int n) {
    if (n == 2)
        le::append16(b, std::uint16_t(v));
    else
        le::append32(b, v);
}

inline Bytes formatBody(std::uint16_t channels, std::int32_t rate, std::uint16_t bits,
                        std::uint16_t blockAlign = 0, std::uint16_t tag = 1) {
    if (blockAlign == 0)
        blockAlign = std::uint16_t(channels * bits / 8);
    const auto body = riff::formatBody(
        {tag, channels, std::uint32_t(rate), std::uint32_t(rate) * blockAlign, blockAlign, bits});
    return Bytes(body.begin(), body.end());
}

// One chunk: id, size (declared, by default the body's length), body.
inline Bytes chunk(const std::string& id, const Bytes& body, std::int64_t declared = -1) {
    Bytes b(id.begin(), id.end());
    putLe(b, std::uint32_t(declared < 0 ? body.size() : declared), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// "RIFF", size, "WAVE", then the chunks as given. riffSize -1: 4 + the chunks' length.
inline Bytes riff(const std::vector<Bytes>& chunks, std::int64_t riffSize = -1) {
    Bytes body;
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b = {'R', 'I', 'F', 'F'};
    putLe(b, std::uint32_t(riffSize < 0 ? body.size() + 4 : riffSize), 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes samples16(const std::vector<int>& values) {
    Bytes b;
    for (int v : values)
        putLe(b, std::uint16_t(std::int16_t(v)), 2);
    return b;
}

inline Bytes readAll(const std::filesystem::path& p) {
    return fs::readFile(p);
}

inline void writeAll(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

inline std::uint32_t le32At(const Bytes& b, std::size_t at) {
    return le::get32(&b[at]);
}

class ScratchDir : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir = std::filesystem::path(VALDORIN_BINARY_DIR) / "render-test-scratch" / name;
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path file(const std::string& name) const { return dir / name; }
    std::filesystem::path write(const std::string& name, const Bytes& bytes) const {
        writeAll(dir / name, bytes);
        return dir / name;
    }
    // A memory-mode wave loaded from a stereo 16-bit image of the values.
    void loadStereo(TWave& w, const std::vector<int>& values, const std::string& name = "in.wav") {
        w.LoadFromFile(write(name, riff({chunk("fmt ", formatBody(2, 44100, 16)),
                                         chunk("data", samples16(values))})));
    }

    std::filesystem::path dir;
};

}  // namespace valdorin::render::test
