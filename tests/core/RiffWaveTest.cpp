#include "core/RiffWave.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/LittleEndian.h"

namespace valdorin::riff {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string id(const Bytes& b, std::size_t at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

TEST(RiffWave, FormatBodyRoundTripsEveryField) {
    const FormatFields f{0xFFFE, 6, 0x80000001u, 0xFEDCBA98u, 0x1234, 24};
    const auto body = formatBody(f);
    EXPECT_EQ(le::get16(&body[0]), 0xFFFE);
    EXPECT_EQ(le::get32(&body[4]), 0x80000001u);
    EXPECT_EQ(body[14], 24);
    const FormatFields back = formatFields(body);
    EXPECT_EQ(back.formatTag, f.formatTag);
    EXPECT_EQ(back.channels, f.channels);
    EXPECT_EQ(back.sampleRate, f.sampleRate);
    EXPECT_EQ(back.avgBytesPerSec, f.avgBytesPerSec);
    EXPECT_EQ(back.blockAlign, f.blockAlign);
    EXPECT_EQ(back.bitsPerSample, f.bitsPerSample);
    const FormatFields cd = FormatFields::pcm(2, 44100, 16);
    EXPECT_EQ(cd.blockAlign, 4);
    EXPECT_EQ(cd.avgBytesPerSec, 176400u);
}

// The two layouts the program writes: the plain WAV file and the kit's wave image.
struct Layout {
    const char* name;
    std::size_t formatBytes;
    Tail tail;
    std::uint32_t riffSize;  // for 5 data bytes
    std::size_t total;
};

class Layouts : public ::testing::TestWithParam<Layout> {};

TEST_P(Layouts, ChunksInOrderWithTheirSizes) {
    const Layout& l = GetParam();
    const Bytes format(l.formatBytes, 0xAB);
    const Bytes data = {1, 2, 3, 4, 5};
    const Bytes out = image(format, data, l.tail);
    ASSERT_EQ(out.size(), l.total);
    EXPECT_EQ(id(out, 0), "RIFF");
    EXPECT_EQ(le::get32(&out[4]), l.riffSize);
    EXPECT_EQ(le::get32(&out[4]), out.size() - 8);
    EXPECT_EQ(id(out, 8), "WAVE");
    EXPECT_EQ(id(out, 12), "fmt ");
    EXPECT_EQ(le::get32(&out[16]), l.formatBytes);
    EXPECT_EQ(Bytes(out.begin() + 20, out.begin() + 20 + long(l.formatBytes)), format);
    const std::size_t d = 20 + l.formatBytes;
    EXPECT_EQ(id(out, d), "data");
    EXPECT_EQ(le::get32(&out[d + 4]), 5u);
    EXPECT_EQ(Bytes(out.begin() + long(d) + 8, out.begin() + long(d) + 13), data);
    if (l.tail == Tail::ZeroByte) {
        EXPECT_EQ(out.back(), 0);
    }
    EXPECT_EQ(header(format, 5, l.tail), Bytes(out.begin(), out.begin() + long(d) + 8));
}

INSTANTIATE_TEST_SUITE_P(Both, Layouts,
                         ::testing::Values(Layout{"FortyFourByteHeader", 16, Tail::None, 41, 49},
                                           Layout{"WaveImageWithItsZeroByte", 18, Tail::ZeroByte,
                                                  44, 52}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RiffWave, ARiffSizeBeyond32BitsIsAWriteError) {
    const Bytes format(16, 0);
    EXPECT_NO_THROW(header(format, 0xFFFFFFFFull - 36, Tail::None));
    EXPECT_THROW(header(format, 0xFFFFFFFFull - 35, Tail::None), Error);
    EXPECT_THROW(header(format, 0xFFFFFFFFull - 36, Tail::ZeroByte), Error);
}

}  // namespace
}  // namespace valdorin::riff
