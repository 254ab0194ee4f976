// TWave::MixIn: the mixing arithmetic, computed a block of frames at a time and applied to the
// storage with the same rules as GetSample and SetSample one by one.
#include "render/wavaudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "render/BackingFile.h"
#include "render/WaveDetail.h"

namespace valdorin::render {

using namespace detail;

namespace {

constexpr int64_t kMixBlock = 4096;  // output frames computed before they are applied
constexpr int64_t kLastFrame = std::numeric_limits<int32_t>::max() - 1;  // FrameCount fits

// Nearest whole number of a value within +-1e9, halves to even (the default rounding mode).
inline int32_t roundHalfEven(long double x) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // llrintl is a library call; fistp rounds the same way in one instruction.
    long long r;
    __asm__("fistpll %0" : "=m"(r) : "t"(x) : "st");
    return static_cast<int32_t>(r);
#else
    return static_cast<int32_t>(std::llrint(x));
#endif
}

// near((s0 * w0 + s1 * w1) * volume * gain), evaluated in long double (80-bit extended on
// x86). Values far outside the 16-bit range are held at +-1e9, which clips the same way after
// any addition; a NaN (NaN volume or pan) adds nothing.
inline int32_t mixValue(int s0, int s1, double w0, double w1, double volume, double gain) {
    const long double x =
        (static_cast<long double>(s0) * w0 + static_cast<long double>(s1) * w1) * volume * gain;
    if (!(x > -1e9L))
        return x != x ? 0 : -1000000000;
    if (x > 1e9L)
        return 1000000000;
    return roundHalfEven(x);
}

}  // namespace

// ---- mixing --------------------------------------------------------------------------------

void TWave::readChannel(int channel, int64_t first, int64_t count, int32_t* out) {
    std::fill(out, out + count, 0);
    if (channel > WaveFormat.channels)
        return;
    const int64_t blockAlign = WaveFormat.blockAlign;
    const int64_t bps = bytesPerSample();
    const int64_t lo = std::max<int64_t>(first, 0);
    const int64_t hi = std::min<int64_t>(first + count, FrameCount);
    if (lo >= hi)
        return;
    const int64_t offset = int64_t{channel} * bps;
    if (!fileBacked_) {
        // Frames whose sample lies wholly in the data, then the rest one by one.
        const int64_t whole =
            size_ >= offset + bps ? std::min(hi, (size_ - offset - bps) / blockAlign + 1) : lo;
        const uint8_t* p = buffer_.get() + lo * blockAlign + offset;
        int64_t f = lo;
        if (bps == 2) {
            for (; f < whole; ++f, p += blockAlign)
                out[f - first] = static_cast<int16_t>(p[0] | (p[1] << 8));
        } else {
            for (; f < whole; ++f, p += blockAlign)
                out[f - first] = (p[0] - 128) * 255;
        }
        for (; f < hi; ++f) {
            const int64_t at = f * blockAlign + offset;
            if (at < 0 || at >= size_)
                continue;
            out[f - first] = decode(buffer_.get() + at, std::min(bps, size_ - at));
        }
        return;
    }
    // One read of the file for the frames outside the window.
    const int64_t from = std::max<int64_t>(lo * blockAlign + offset, 0);
    const int64_t to = std::max(from, (hi - 1) * blockAlign + offset + bps);
    std::vector<uint8_t> bytes(static_cast<size_t>(to - from));
    const int64_t got = backing_->readAt(from, bytes.data(), to - from);
    const int64_t base = int64_t{windowStart_} * blockAlign;
    for (int64_t f = lo; f < hi; ++f) {
        const int64_t at = f * blockAlign + offset;
        if (inWindow(f)) {
            out[f - first] = readBuffer(at - base);
        } else if (at >= from) {
            out[f - first] = decode(bytes.data() + (at - from), std::min(bps, got - (at - from)));
        }
    }
}

void TWave::MixIn(TWave* source, int playRate, double start, double pan, double volume) {
    checkFormat();
    const double gains[2] = {pan > 1 ? 0.0 : (pan >= 0 ? 1 - pan : 1.0),
                             pan < -1 ? 0.0 : (pan <= 0 ? 1 + pan : 1.0)};
    const double startPosition =
        static_cast<double>(WaveFormat.avgBytesPerSec) * start / WaveFormat.blockAlign;
    const int channels = std::min<int>(WaveFormat.channels, 2);
    if (source != nullptr)
        source->checkFormat();
    if (source != nullptr && source->FrameCount > 0 && playRate != 0 &&
        source->WaveFormat.sampleRate != 0 && channels > 0 && std::fabs(startPosition) < 4e18) {
        const double playSeconds =
            source->Duration() * source->WaveFormat.sampleRate / static_cast<double>(playRate);
        const double outFrames =
            std::nearbyint(static_cast<double>(WaveFormat.sampleRate) * playSeconds);
        if (outFrames >= 1) {
            const double ratio = outFrames / source->FrameCount;
            const int64_t startFrame = nearInt(startPosition);
            // Frames before 0 are not written; frames past the 32-bit range cannot be counted.
            const int64_t first = std::max<int64_t>(0, -startFrame);
            const int64_t end = std::min<int64_t>(static_cast<int64_t>(std::min(outFrames, 4e18)),
                                                  kLastFrame + 1 - startFrame);
            if (first < end) {
                if (source == this || !regularFormat())
                    mixLiteral(*source, startFrame, first, end, ratio, volume, gains, channels);
                else
                    mixBlocks(*source, startFrame, first, end, ratio, volume, gains, channels);
            }
        }
    }
    if (fileBacked_ && backing_)
        FlushWindow();
}

// Sample by sample through GetSample and SetSample: for a source that is the destination
// itself, and for formats whose samples overlap or leave gaps inside a frame.
void TWave::mixLiteral(TWave& source, int64_t startFrame, int64_t first, int64_t end, double ratio,
                       double volume, const double* gains, int channels) {
    for (int64_t n = first; n < end; ++n) {
        const double pos = static_cast<double>(n) / ratio;
        const int64_t i0 = static_cast<int64_t>(pos);
        // Read each time: mixed into itself, the source grows as it is written.
        const int64_t i1 = std::min<int64_t>(i0 + 1, source.FrameCount - 1);
        const double w0 = 1 - (pos - static_cast<double>(i0));
        const double w1 = 1 - w0;
        const int frame = static_cast<int>(startFrame + n);
        for (int c = 0; c < channels; ++c) {
            const int s0 = source.GetSample(c, static_cast<int>(i0));
            const int s1 = source.GetSample(c, static_cast<int>(i1));
            const int d = GetSample(c, frame);
            SetSample(c, frame,
                      static_cast<int16_t>(clip(mixValue(s0, s1, w0, w1, volume, gains[c]) + d)));
        }
    }
}

void TWave::mixBlocks(TWave& source, int64_t startFrame, int64_t first, int64_t end, double ratio,
                      double volume, const double* gains, int channels) {
    const int64_t last = source.FrameCount - 1;
    constexpr int64_t kTable = 4 * kMixBlock;
    std::vector<int32_t> table[2];
    for (int c = 0; c < channels; ++c)
        table[c].resize(kTable + 2);
    std::vector<int32_t> mixed(static_cast<size_t>(kMixBlock * channels));
    for (int64_t nb = first; nb < end; nb += kMixBlock) {
        const int64_t ne = std::min(nb + kMixBlock, end);
        // The source frames this block reads: positions rise with n.
        const int64_t lo = static_cast<int64_t>(static_cast<double>(nb) / ratio);
        const int64_t top = static_cast<int64_t>(static_cast<double>(ne - 1) / ratio);
        const int64_t hi = std::max(top, std::min(top + 1, last));
        // i1 never falls below lo while positions stay below the source's length.
        const bool tabled = hi - lo + 1 <= kTable && lo <= last;
        if (tabled)
            for (int c = 0; c < channels; ++c)
                source.readChannel(c, lo, hi - lo + 1, table[c].data());
        int32_t* m = mixed.data();
        if (ratio == 1 && tabled) {
            // pos = n exactly, w0 = 1 and w1 = 0: s0 * w0 + s1 * w1 is s0 itself.
            for (int64_t n = nb; n < ne; ++n)
                for (int c = 0; c < channels; ++c) {
                    const int s0 = table[c][n - lo];
                    const long double x = static_cast<long double>(s0) * volume * gains[c];
                    *m++ = x > -1e9L && x < 1e9L ? roundHalfEven(x)
                                                 : mixValue(s0, 0, 1, 0, volume, gains[c]);
                }
            applyBlock(startFrame + nb, ne - nb, mixed.data(), channels);
            continue;
        }
        for (int64_t n = nb; n < ne; ++n) {
            const double pos = static_cast<double>(n) / ratio;
            const int64_t i0 = static_cast<int64_t>(pos);
            const int64_t i1 = std::min(i0 + 1, last);
            const double w0 = 1 - (pos - static_cast<double>(i0));
            const double w1 = 1 - w0;
            for (int c = 0; c < channels; ++c) {
                int s0, s1;
                if (tabled) {
                    s0 = table[c][i0 - lo];
                    s1 = table[c][i1 - lo];
                } else {
                    s0 = source.GetSample(c, static_cast<int>(i0));
                    s1 = source.GetSample(c, static_cast<int>(i1));
                }
                *m++ = mixValue(s0, s1, w0, w1, volume, gains[c]);
            }
        }
        applyBlock(startFrame + nb, ne - nb, mixed.data(), channels);
    }
}

// Adds mixed values into frames [firstFrame, firstFrame + frames) exactly as GetSample and
// SetSample would one by one, for a format whose samples tile each frame.
void TWave::applyBlock(int64_t firstFrame, int64_t frames, const int32_t* mixed, int channels) {
    int64_t f = firstFrame;
    const int64_t end = firstFrame + frames;
    while (f < end) {
        int firstChannel = 0;
        if (fileBacked_ && !inWindow(f)) {
            // The first write outside the window writes it back and loads the next one.
            const int d = GetSample(0, static_cast<int>(f));
            SetSample(0, static_cast<int>(f), static_cast<int16_t>(clip(mixed[0] + d)));
            firstChannel = 1;
        }
        const int64_t runEnd =
            fileBacked_ ? std::min(end, int64_t{windowStart_} + WindowFrames) : end;
        applyRun(f, firstChannel, runEnd, mixed, channels);
        mixed += (runEnd - f) * channels;
        f = runEnd;
    }
}

void TWave::applyRun(int64_t frame, int firstChannel, int64_t endFrame, const int32_t* m,
                     int channels) {
    const int64_t blockAlign = WaveFormat.blockAlign;
    const int64_t bps = bytesPerSample();
    const bool eight = bps == 1;
    const int64_t baseFrame = fileBacked_ ? windowStart_ : 0;
    const int64_t baseByte = baseFrame * blockAlign;
    materialize((frame - baseFrame) * blockAlign, (endFrame - baseFrame) * blockAlign);
    reserve((endFrame - baseFrame) * blockAlign);

    // One sample with every rule of GetSample and SetSample inside the window.
    auto general = [&](int64_t f, int c, int32_t value) {
        const int64_t at = (f - baseFrame) * blockAlign + c * bps;
        const int d = f < FrameCount ? readBuffer(at) : 0;
        const int v = clip(value + d);
        if (fileBacked_) {
            if (at + baseByte > int64_t{FrameCount} * blockAlign)
                FrameCount = clampFrameCount(f + 1);
        } else if (f >= FrameCount) {
            FrameCount = clampFrameCount(f + 1);
        }
        writeBuffer(at, static_cast<int16_t>(v));
    };

    if (firstChannel > 0 && frame < endFrame) {
        for (int c = firstChannel; c < channels; ++c)
            general(frame, c, m[c]);
        ++frame;
        m += channels;
    }

    // Frames inside the data whose samples are all stored: read, add and write in place.
    const int64_t used = channels * bps;
    const int64_t storedEnd =
        size_ >= used ? baseFrame + (size_ - used) / blockAlign + 1 : baseFrame;
    const int64_t inPlaceEnd =
        std::max(frame, std::min({endFrame, int64_t{FrameCount}, storedEnd}));
    uint8_t* p = buffer_.get() + (frame - baseFrame) * blockAlign;
    const int64_t inPlace = inPlaceEnd - frame;
    if (!eight && channels == 2 && blockAlign == 4) {
        for (int64_t k = 0; k < inPlace; ++k, p += 4, m += 2) {
            const int v0 = clip(m[0] + static_cast<int16_t>(p[0] | (p[1] << 8)));
            const int v1 = clip(m[1] + static_cast<int16_t>(p[2] | (p[3] << 8)));
            p[0] = static_cast<uint8_t>(v0);
            p[1] = static_cast<uint8_t>(static_cast<unsigned>(v0) >> 8);
            p[2] = static_cast<uint8_t>(v1);
            p[3] = static_cast<uint8_t>(static_cast<unsigned>(v1) >> 8);
        }
    } else {
        for (int64_t k = 0; k < inPlace; ++k, p += blockAlign) {
            for (int c = 0; c < channels; ++c, ++m) {
                uint8_t* q = p + c * bps;
                if (eight) {
                    *q = encode8(clip(*m + (q[0] - 128) * 255));
                } else {
                    const int v = clip(*m + static_cast<int16_t>(q[0] | (q[1] << 8)));
                    q[0] = static_cast<uint8_t>(v);
                    q[1] = static_cast<uint8_t>(static_cast<unsigned>(v) >> 8);
                }
            }
        }
    }
    frame = inPlaceEnd;

    const uint8_t fill = silenceByte();
    for (; frame < endFrame; ++frame, m += channels) {
        const int64_t at = (frame - baseFrame) * blockAlign;
        if (channels == WaveFormat.channels && frame >= FrameCount && size_ <= at) {
            // Appending: nothing is stored from this frame on, so every read gives 0 and the
            // writes follow one another; FrameCount moves as SetSample would move it.
            std::memset(buffer_.get() + size_, fill, static_cast<size_t>(at - size_));
            uint8_t* q = buffer_.get() + at;
            for (; frame < endFrame; ++frame, m += channels) {
                const int64_t address = frame * blockAlign;
                for (int c = 0; c < channels; ++c, q += bps) {
                    const int v = clip(m[c]);
                    if (eight) {
                        *q = encode8(v);
                    } else {
                        q[0] = static_cast<uint8_t>(v);
                        q[1] = static_cast<uint8_t>(static_cast<unsigned>(v) >> 8);
                    }
                    if (fileBacked_ ? address + c * bps > int64_t{FrameCount} * blockAlign
                                    : frame >= FrameCount)
                        FrameCount = clampFrameCount(frame + 1);
                }
            }
            size_ = (endFrame - baseFrame) * blockAlign;
            return;
        }
        for (int c = 0; c < channels; ++c)
            general(frame, c, m[c]);
    }
}

}  // namespace valdorin::render
