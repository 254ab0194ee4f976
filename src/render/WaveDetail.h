#pragma once
// What the parts of TWave share inside the renderer: the stream errors, the frame count limit,
// the sample encoding and the format check. Not for use outside src/render.

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/Errors.h"
#include "core/Text.h"
#include "render/wavaudio.h"

namespace valdorin::render::detail {

// The renderer's files spell the fixed-width integers short.
using std::int16_t;
using std::int32_t;
using std::int64_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

inline constexpr std::int64_t kCopyBlock = 1 << 20;  // bytes per read or write when copying

[[noreturn]] inline void throwReadError() {
    throw Error("Stream read error");
}
[[noreturn]] inline void throwWriteError() {
    throw Error("Stream write error");
}

inline std::int32_t clampFrameCount(std::int64_t frames) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(frames, 0, std::numeric_limits<std::int32_t>::max()));
}

// A sum held to the 16-bit range the mix writes: -32767..32767.
inline int clip(std::int32_t v) {
    return v < -32767 ? -32767 : (v > 32767 ? 32767 : v);
}

// The byte an 8-bit sample stores for a 16-bit value.
inline std::uint8_t encode8(int value) {
    return static_cast<std::uint8_t>(std::clamp<long long>(nearInt(value / 255.0) + 128, 0, 255));
}

// Raises a clear error for a format the sample arithmetic cannot handle.
void checkFormatRecord(const WaveFormatRecord& f);

}  // namespace valdorin::render::detail
