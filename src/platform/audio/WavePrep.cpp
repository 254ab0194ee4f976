// Decoding a kit wave's PCM image and converting it to the output rate. UI thread: the
// conversion is done once per wave, never in the audio callback.

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/LittleEndian.h"
#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;

float decodeSample(const std::uint8_t* p, int bytes, bool isFloat) {
    switch (bytes) {
        case 1:
            return (static_cast<int>(p[0]) - 128) / 128.0f;
        case 2:
            return static_cast<std::int16_t>(le::get16(p)) / 32768.0f;
        case 3: {
            std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
            if (v & 0x800000)
                v -= 0x1000000;
            return v / 8388608.0f;
        }
        case 4: {
            const std::uint32_t u = le::get32(p);
            if (isFloat) {
                float f;
                std::memcpy(&f, &u, 4);
                return std::isfinite(f) ? std::clamp(f, -1.0f, 1.0f) : 0.0f;
            }
            return static_cast<float>(static_cast<std::int32_t>(u) / 2147483648.0);
        }
        default:
            return 0.0f;
    }
}

}  // namespace

std::shared_ptr<const PreparedWave> prepareWave(int formatTag, int channels, int rate, int bits,
                                                int blockAlign, const std::uint8_t* data,
                                                std::size_t size, int outputRate) {
    const bool isFloat = formatTag == kFormatFloat;
    if (formatTag != kFormatPcm && !isFloat)
        return nullptr;
    if (isFloat ? bits != 32 : (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return nullptr;
    if (channels < 1 || channels > 64 || rate <= 0 || outputRate <= 0 || data == nullptr)
        return nullptr;
    const double ratio = static_cast<double>(outputRate) / rate;
    if (ratio > 256.0 || ratio < 1.0 / 256.0)
        return nullptr;

    const int bytes = bits / 8;
    const int frameBytes = std::max(blockAlign, channels * bytes);
    const std::int64_t frames = static_cast<std::int64_t>(size / frameBytes);
    if (frames <= 0)
        return nullptr;

    const int outChannels = std::min(channels, 2);
    std::vector<float> decoded(static_cast<std::size_t>(frames) * outChannels);
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::uint8_t* frame = data + f * frameBytes;
        for (int c = 0; c < outChannels; ++c)
            decoded[f * outChannels + c] = decodeSample(frame + c * bytes, bytes, isFloat);
    }

    auto wave = std::make_shared<PreparedWave>();
    wave->channels = outChannels;
    wave->rate = outputRate;
    if (rate == outputRate) {
        wave->frames = frames;
        wave->samples = std::move(decoded);
        return wave;
    }

    const auto outFrames = static_cast<std::int64_t>(std::ceil(frames * ratio)) + 16;
    // Ten minutes of sound is more than any kit wave; a header claiming a rate that would blow
    // a small image up past that is not played.
    if (outFrames > static_cast<std::int64_t>(outputRate) * 600 && outFrames > frames)
        return nullptr;
    wave->samples.resize(static_cast<std::size_t>(outFrames) * outChannels);
    SRC_DATA src{};
    src.data_in = decoded.data();
    src.input_frames = static_cast<long>(frames);
    src.data_out = wave->samples.data();
    src.output_frames = static_cast<long>(outFrames);
    src.src_ratio = ratio;
    src.end_of_input = 1;
    if (src_simple(&src, SRC_SINC_MEDIUM_QUALITY, outChannels) != 0)
        return nullptr;
    wave->frames = src.output_frames_gen;
    wave->samples.resize(static_cast<std::size_t>(wave->frames) * outChannels);
    if (wave->frames <= 0)
        return nullptr;
    return wave;
}

}  // namespace valdorin::audio::detail
