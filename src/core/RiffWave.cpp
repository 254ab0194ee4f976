#include "core/RiffWave.h"

#include <limits>

#include "core/Errors.h"
#include "core/LittleEndian.h"

namespace valdorin::riff {

FormatFields FormatFields::pcm(int channels, std::uint32_t rate, int bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {1,     static_cast<std::uint16_t>(channels), rate, rate * align,
            align, static_cast<std::uint16_t>(bits)};
}

std::array<std::uint8_t, 16> formatBody(const FormatFields& f) {
    std::array<std::uint8_t, 16> b{};
    le::put16(&b[0], f.formatTag);
    le::put16(&b[2], f.channels);
    le::put32(&b[4], f.sampleRate);
    le::put32(&b[8], f.avgBytesPerSec);
    le::put16(&b[12], f.blockAlign);
    le::put16(&b[14], f.bitsPerSample);
    return b;
}

FormatFields formatFields(std::span<const std::uint8_t, 16> b) {
    FormatFields f;
    f.formatTag = le::get16(&b[0]);
    f.channels = le::get16(&b[2]);
    f.sampleRate = le::get32(&b[4]);
    f.avgBytesPerSec = le::get32(&b[8]);
    f.blockAlign = le::get16(&b[12]);
    f.bitsPerSample = le::get16(&b[14]);
    return f;
}

std::vector<std::uint8_t> header(std::span<const std::uint8_t> format, std::uint64_t dataBytes,
                                 Tail tail) {
    const std::uint64_t riffSize =
        4 + 8 + std::uint64_t{format.size()} + 8 + dataBytes + (tail == Tail::ZeroByte ? 1 : 0);
    if (riffSize > std::numeric_limits<std::uint32_t>::max())
        throw Error("Stream write error");
    std::vector<std::uint8_t> out;
    out.reserve(28 + format.size());
    le::appendText(out, "RIFF");
    le::append32(out, static_cast<std::uint32_t>(riffSize));
    le::appendText(out, "WAVE");
    le::appendText(out, "fmt ");
    le::append32(out, static_cast<std::uint32_t>(format.size()));
    out.insert(out.end(), format.begin(), format.end());
    le::appendText(out, "data");
    le::append32(out, static_cast<std::uint32_t>(dataBytes));
    return out;
}

std::vector<std::uint8_t> image(std::span<const std::uint8_t> format,
                                std::span<const std::uint8_t> data, Tail tail) {
    std::vector<std::uint8_t> out = header(format, data.size(), tail);
    out.reserve(out.size() + data.size() + 1);
    out.insert(out.end(), data.begin(), data.end());
    if (tail == Tail::ZeroByte)
        out.push_back(0);
    return out;
}

}  // namespace valdorin::riff
