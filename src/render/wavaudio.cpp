// TWave's object basics. Its other parts, by file: BackingFile.cpp (the POSIX file under
// file-backed mode), WaveWindow.cpp (the buffer, the cache window and single samples),
// WaveFile.cpp (reading and writing RIFF/WAVE files), WaveMix.cpp (MixIn's arithmetic).
#include "render/wavaudio.h"

#include <string>

#include "render/BackingFile.h"
#include "render/WaveDetail.h"

namespace valdorin::render {

namespace detail {

void checkFormatRecord(const WaveFormatRecord& f) {
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        throw Error("Unsupported WAV format: " + std::to_string(f.bitsPerSample) +
                    " bits per sample (only 8 and 16 are supported)");
    if (f.blockAlign == 0)
        throw Error("Unsupported WAV format: block align 0");
}

}  // namespace detail

using std::int64_t;

TWave::TWave() = default;
TWave::~TWave() = default;

void TWave::checkFormat() const {
    detail::checkFormatRecord(WaveFormat);
}

bool TWave::regularFormat() const {
    return WaveFormat.channels >= 1 &&
           WaveFormat.blockAlign == WaveFormat.channels * bytesPerSample();
}

double TWave::Duration() const {
    return static_cast<double>(FrameCount) / static_cast<double>(WaveFormat.sampleRate);
}

int64_t TWave::DataSize() const {
    return fileBacked_ ? backing_->size() : size_;
}

}  // namespace valdorin::render
