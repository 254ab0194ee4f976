#pragma once

namespace valdorin::audio {

// A PCM wave format, as a WAVE "fmt " chunk carries it.
struct WaveFormat {
    int formatTag = 1;
    int channels = 2;
    int samplesPerSec = 44100;
    int avgBytesPerSec = 176400;
    int blockAlign = 4;
    int bitsPerSample = 16;

    static WaveFormat pcm(int rate, int channels, int bits) {
        const int align = channels * bits / 8;
        return {1, channels, rate, align * rate, align, bits};
    }
    bool operator==(const WaveFormat&) const = default;
};

}  // namespace valdorin::audio
