#pragma once
// The RIFF/WAVE container as the program writes it: "RIFF", its size, "WAVE", a "fmt " chunk,
// a "data" chunk and, in one layout, a zero byte after the data. Every WAV file and wave image
// the program writes gets its header here; the readers stay with their users, whose rules for
// damaged files differ.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace valdorin::riff {

// The 16 bytes of a PCM "fmt " chunk body, field for field.
struct FormatFields {
    std::uint16_t formatTag = 1;  // 1 = PCM
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::uint32_t avgBytesPerSec = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;

    // Integer PCM: block align and bytes per second follow from the other fields.
    static FormatFields pcm(int channels, std::uint32_t rate, int bits);
};

std::array<std::uint8_t, 16> formatBody(const FormatFields& fields);
FormatFields formatFields(std::span<const std::uint8_t, 16> body);

enum class Tail {
    None,      // the data chunk ends the file: the 44-byte header of a plain WAV file
    ZeroByte,  // one 0x00 byte follows the data and the RIFF size counts it: the wave image
};

// Everything before the sample data: "RIFF", size, "WAVE", "fmt " chunk with format as its body,
// "data" and dataBytes. The caller appends the data (and the zero byte for Tail::ZeroByte).
// Raises "Stream write error" when the RIFF size does not fit in 32 bits.
std::vector<std::uint8_t> header(std::span<const std::uint8_t> format, std::uint64_t dataBytes,
                                 Tail tail);
// The whole file in memory: the header, the data, the tail.
std::vector<std::uint8_t> image(std::span<const std::uint8_t> format,
                                std::span<const std::uint8_t> data, Tail tail);

}  // namespace valdorin::riff
