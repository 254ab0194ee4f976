#pragma once
// Byte builders for hand-made kit files and wave images, and a scratch directory.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

#include "core/Errors.h"
#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "kits/KitFile.h"
#include "platform/FileSystem.h"

namespace valdorin::kits::testing {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
  public:
    ByteWriter& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ByteWriter& u16(std::uint16_t v) {
        le::append16(bytes, v);
        return *this;
    }
    ByteWriter& u32(std::uint32_t v) {
        le::append32(bytes, v);
        return *this;
    }
    ByteWriter& text(std::string_view s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& raw(const Bytes& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter& shortString(std::string_view s) { return u8(std::uint8_t(s.size())).text(s); }

    Bytes bytes;
};

// The 31-byte resource header with any name, flags and length field.
inline ByteWriter resourceHeader(std::string_view name = "DELPHIXWAVECOLLECTION",
                                 std::uint16_t flags = 0x1030, std::uint32_t length = 0) {
    ByteWriter w;
    w.u8(0xFF).u16(10).text(name).u8(0).u16(flags).u32(length);
    return w;
}

// A kit file head up to and including the collection marker of "List".
inline ByteWriter kitHead(std::string_view listName = "List") {
    ByteWriter w = resourceHeader();
    w.text("TPF0").shortString("TWaveCollectionComponent").shortString("");
    w.shortString(listName).u8(0x0E);
    return w;
}

// Ends the collection, the holder's properties and its children.
inline Bytes kitTail(ByteWriter w) {
    w.u8(0).u8(0).u8(0);
    return w.bytes;
}

// A wave image of any chunks: each chunk as identifier and body, stored without pad bytes.
struct Chunk {
    std::string id;
    Bytes body;
};
inline Bytes riff(const std::vector<Chunk>& chunks, std::string_view riffId = "RIFF",
                  std::string_view waveId = "WAVE") {
    ByteWriter w;
    w.text(riffId).u32(0).text(waveId);
    for (const auto& c : chunks)
        w.text(c.id).u32(std::uint32_t(c.body.size())).raw(c.body);
    le::put32(&w.bytes[4], std::uint32_t(w.bytes.size() - 8));
    return w.bytes;
}

// Bytes 0, 1, 2, ... (mod 251) offset by seed: content that shows a misplaced byte.
inline Bytes pattern(std::size_t n, int seed = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t((i + std::size_t(seed) * 7) % 251);
    return b;
}

// 16-byte PCM format block.
inline Bytes pcmFormat(int channels = 2, std::uint32_t rate = 44100, int bits = 16) {
    const auto body = riff::formatBody(riff::FormatFields::pcm(channels, rate, bits));
    return Bytes(body.begin(), body.end());
}

inline TKitWave wave(Bytes format, Bytes data) {
    TKitWave w;
    w.assign(std::move(format), std::move(data));
    return w;
}

inline std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const valdorin::Error& e) {
        return e.what();
    }
    return "(no error)";
}

inline Bytes readBytes(const std::filesystem::path& p) {
    return fs::readFile(p);
}

inline void writeBytes(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// A fresh directory per test, removed afterwards.
class ScratchDir : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir = std::filesystem::temp_directory_path() /
              ("valdorin_kits_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
};

}  // namespace valdorin::kits::testing
