// TWave's storage: the buffer (all samples in memory mode, one window in file-backed mode),
// the cache window over the backing file, and GetSample / SetSample.
#include "render/wavaudio.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/BackingFile.h"
#include "render/WaveDetail.h"

namespace valdorin::render {

using namespace detail;

// ---- the buffer ----------------------------------------------------------------------------

void TWave::reserve(int64_t bytes) {
    if (bytes <= capacity_)
        return;
    const int64_t cap = std::max({bytes, capacity_ * 2, int64_t{4096}});
    std::unique_ptr<uint8_t[]> grown(new uint8_t[static_cast<size_t>(cap)]);
    // Only bytes that hold data are carried over; the rest of a lazily loaded window is
    // still in the file.
    if (matHi_ > matLo_)
        std::memcpy(grown.get() + matLo_, buffer_.get() + matLo_,
                    static_cast<size_t>(matHi_ - matLo_));
    if (size_ > loaded_)
        std::memcpy(grown.get() + loaded_, buffer_.get() + loaded_,
                    static_cast<size_t>(size_ - loaded_));
    buffer_ = std::move(grown);
    capacity_ = cap;
}

void TWave::materialize(int64_t lo, int64_t hi) {
    lo = std::max<int64_t>(lo, 0);
    hi = std::min(hi, loaded_);
    if (lo >= hi)
        return;
    if (matLo_ < matHi_ && lo >= matLo_ && hi <= matHi_)
        return;
    reserve(hi);
    const int64_t base = int64_t{windowStart_} * WaveFormat.blockAlign;
    auto readRange = [&](int64_t from, int64_t to) {
        if (from >= to)
            return;
        const int64_t got = backing_->readAt(base + from, buffer_.get() + from, to - from);
        // The file does not shrink while a window is loaded; should it, the rest is silence.
        if (got < to - from)
            std::memset(buffer_.get() + from + got, silenceByte(),
                        static_cast<size_t>(to - from - got));
    };
    if (matLo_ >= matHi_) {
        readRange(lo, hi);
        matLo_ = lo;
        matHi_ = hi;
        return;
    }
    // The read part stays one contiguous range.
    if (lo < matLo_) {
        readRange(lo, matLo_);
        matLo_ = lo;
    }
    if (hi > matHi_) {
        readRange(matHi_, hi);
        matHi_ = hi;
    }
}

int TWave::decode(const uint8_t* bytes, int64_t available) const {
    if (available <= 0)
        return 0;
    if (WaveFormat.bitsPerSample == 8)
        return (bytes[0] - 128) * 255;
    // A sample cut off by the end of the data keeps the byte that is there.
    if (available == 1)
        return bytes[0];
    return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
}

int TWave::readBuffer(int64_t at) {
    if (at < 0 || at >= size_)
        return 0;
    const int64_t available = std::min(bytesPerSample(), size_ - at);
    materialize(at, at + available);
    return decode(buffer_.get() + at, available);
}

void TWave::writeBuffer(int64_t at, int16_t value) {
    const int64_t n = bytesPerSample();
    materialize(at, at + n);
    reserve(at + n);
    if (at > size_)
        std::memset(buffer_.get() + size_, silenceByte(), static_cast<size_t>(at - size_));
    uint8_t* p = buffer_.get() + at;
    if (n == 1) {
        p[0] = encode8(value);
    } else {
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
    }
    size_ = std::max(size_, at + n);
}

int TWave::readBacking(int64_t at) {
    uint8_t bytes[2] = {0, 0};
    const int64_t got = backing_->readAt(at, bytes, bytesPerSample());
    return decode(bytes, got);
}

void TWave::discardWindow() {
    size_ = 0;
    loaded_ = 0;
    matLo_ = matHi_ = 0;
    windowStart_ = NoWindow;
}

// ---- samples -------------------------------------------------------------------------------

int TWave::GetSample(int channel, int frame) {
    checkFormat();
    if (channel > WaveFormat.channels)
        return 0;
    const int64_t address =
        int64_t{frame} * WaveFormat.blockAlign + int64_t{channel} * bytesPerSample();
    if (frame < 0 || frame >= FrameCount)
        return 0;
    if (!fileBacked_)
        return readBuffer(address);
    if (inWindow(frame))
        return readBuffer(address - int64_t{windowStart_} * WaveFormat.blockAlign);
    return address < 0 ? 0 : readBacking(address);
}

void TWave::SetSample(int channel, int frame, int16_t value) {
    checkFormat();
    if (channel < 0 || channel > WaveFormat.channels)
        return;
    const int64_t blockAlign = WaveFormat.blockAlign;
    const int64_t address = int64_t{frame} * blockAlign + int64_t{channel} * bytesPerSample();
    // A negative frame would put the window before the file's first byte.
    if (address < 0 || frame < 0)
        return;
    if (!fileBacked_) {
        writeBuffer(address, value);
        if (frame >= FrameCount)
            FrameCount = clampFrameCount(int64_t{frame} + 1);
        return;
    }
    if (inWindow(frame)) {
        const int64_t base = int64_t{windowStart_} * blockAlign;
        if (address - base > int64_t{FrameCount} * blockAlign - base)
            FrameCount = clampFrameCount(int64_t{frame} + 1);
        writeBuffer(address - base, value);
        return;
    }
    FlushWindow();
    if (address > int64_t{FrameCount} * blockAlign) {
        backing_->padTo(address, silenceByte());
        FrameCount = clampFrameCount(int64_t{frame} + 1);
    }
    windowStart_ = frame;
    LoadWindow();
    writeBuffer(address - int64_t{frame} * blockAlign, value);
}

// ---- the window ----------------------------------------------------------------------------

void TWave::LoadWindow() {
    if (!fileBacked_)
        return;
    const int32_t start = windowStart_;
    discardWindow();
    windowStart_ = start;
    if (start < 0)
        return;
    checkFormat();
    const int64_t blockAlign = WaveFormat.blockAlign;
    const int64_t amount = std::min(backing_->size() - int64_t{start} * blockAlign,
                                    int64_t{WindowFrames} * blockAlign);
    if (amount <= 0)
        return;
    // Read on first use (materialize): a mix touches a few of the window's bytes.
    size_ = loaded_ = amount;
}

void TWave::FlushWindow() {
    if (!fileBacked_)
        return;
    checkFormat();
    const int64_t blockAlign = WaveFormat.blockAlign;
    if (windowStart_ != NoWindow) {
        const int64_t base = int64_t{windowStart_} * blockAlign;
        const uint8_t fill = silenceByte();
        // Unread bytes below loaded_ equal the file's; bytes past the window are dropped.
        if (matHi_ > matLo_)
            backing_->writeAt(base + matLo_, buffer_.get() + matLo_, matHi_ - matLo_, fill);
        const int64_t end = std::min(size_, int64_t{WindowFrames} * blockAlign);
        if (end > loaded_)
            backing_->writeAt(base + loaded_, buffer_.get() + loaded_, end - loaded_, fill);
        discardWindow();
    }
    FrameCount = clampFrameCount(
        nearInt(static_cast<double>(backing_->size()) / static_cast<double>(blockAlign)));
}

void TWave::SetFileBacked(bool on) {
    if (on == fileBacked_)
        return;
    if (on) {
        auto file = BackingFile::create(BackingFileName);
        file->writeAt(0, buffer_.get(), size_, 0);
        backing_ = std::move(file);
        fileBacked_ = true;
        buffer_.reset();
        capacity_ = 0;
        discardWindow();
        return;
    }
    if (windowStart_ != NoWindow)
        FlushWindow();
    const int64_t size = backing_->size();
    std::unique_ptr<uint8_t[]> all(new uint8_t[static_cast<size_t>(std::max<int64_t>(size, 1))]);
    if (backing_->readAt(0, all.get(), size) != size)
        throwReadError();
    discardWindow();
    buffer_ = std::move(all);
    capacity_ = std::max<int64_t>(size, 1);
    size_ = size;
    backing_.reset();
    fileBacked_ = false;
}

}  // namespace valdorin::render
