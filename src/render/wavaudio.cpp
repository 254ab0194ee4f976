#include "render/wavaudio.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Errors.h"
#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "core/Text.h"
#include "platform/FileSystem.h"

namespace valdorin::render {

namespace {

using std::int16_t;
using std::int32_t;
using std::int64_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

constexpr int64_t kCopyBlock = 1 << 20;  // bytes per read or write when copying files
constexpr int64_t kMixBlock = 4096;      // output frames computed before they are applied
constexpr int64_t kLastFrame = std::numeric_limits<int32_t>::max() - 1;  // FrameCount fits

[[noreturn]] void throwReadError() {
    throw Error("Stream read error");
}
[[noreturn]] void throwWriteError() {
    throw Error("Stream write error");
}

int32_t clampFrameCount(int64_t frames) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(frames, 0, std::numeric_limits<int32_t>::max()));
}

int clip(int32_t v) {
    return v < -32767 ? -32767 : (v > 32767 ? 32767 : v);
}

// The byte an 8-bit sample stores for a 16-bit value.
uint8_t encode8(int value) {
    return static_cast<uint8_t>(std::clamp<long long>(nearInt(value / 255.0) + 128, 0, 255));
}

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

std::array<uint8_t, 16> formatBytes(const WaveFormatRecord& f) {
    return riff::formatBody({f.formatTag, f.channels, static_cast<uint32_t>(f.sampleRate),
                             static_cast<uint32_t>(f.avgBytesPerSec), f.blockAlign,
                             f.bitsPerSample});
}

WaveFormatRecord formatFromBytes(const std::array<uint8_t, 16>& b) {
    const riff::FormatFields f = riff::formatFields(b);
    return {f.formatTag,
            f.channels,
            static_cast<int32_t>(f.sampleRate),
            static_cast<int32_t>(f.avgBytesPerSec),
            f.blockAlign,
            f.bitsPerSample};
}

void checkFormatRecord(const WaveFormatRecord& f) {
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        throw Error("Unsupported WAV format: " + std::to_string(f.bitsPerSample) +
                    " bits per sample (only 8 and 16 are supported)");
    if (f.blockAlign == 0)
        throw Error("Unsupported WAV format: block align 0");
}

// Positioned reads and writes on an open descriptor, retried after interruptions.
int64_t preadAll(int fd, int64_t pos, uint8_t* out, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, static_cast<size_t>(n - done), pos + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwReadError();
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void pwriteAll(int fd, int64_t pos, const uint8_t* bytes, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd, bytes + done, static_cast<size_t>(n - done), pos + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throwWriteError();
        done += put;
    }
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

int64_t descriptorSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwReadError();
    return st.st_size;
}

}  // namespace

// The backing file of file-backed mode: sample bytes from its first byte, no header.
class BackingFile {
  public:
    // Creates or truncates path, open for reading and writing.
    static std::unique_ptr<BackingFile> create(const std::filesystem::path& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            throwCannotCreate(fs::textFromPath(path));
        return std::unique_ptr<BackingFile>(new BackingFile(fd));
    }
    ~BackingFile() { ::close(fd_); }
    BackingFile(const BackingFile&) = delete;
    BackingFile& operator=(const BackingFile&) = delete;

    int64_t size() const { return size_; }
    int64_t readAt(int64_t pos, uint8_t* out, int64_t n) const {
        if (pos >= size_ || n <= 0)
            return 0;
        return preadAll(fd_, pos, out, std::min(n, size_ - pos));
    }
    // Grows the file up to pos with fill bytes (silence).
    void padTo(int64_t pos, uint8_t fill) {
        if (pos <= size_)
            return;
        std::vector<uint8_t> block(static_cast<size_t>(std::min(pos - size_, kCopyBlock)), fill);
        while (size_ < pos) {
            const int64_t n = std::min<int64_t>(pos - size_, static_cast<int64_t>(block.size()));
            pwriteAll(fd_, size_, block.data(), n);
            size_ += n;
        }
    }
    // Writes bytes at pos; a gap between the end of the file and pos is filled first.
    void writeAt(int64_t pos, const uint8_t* bytes, int64_t n, uint8_t fill) {
        if (n <= 0)
            return;
        padTo(pos, fill);
        pwriteAll(fd_, pos, bytes, n);
        size_ = std::max(size_, pos + n);
    }

  private:
    explicit BackingFile(int fd) : fd_(fd), size_(descriptorSize(fd)) {}
    int fd_;
    int64_t size_;
};

TWave::TWave() = default;
TWave::~TWave() = default;

void TWave::checkFormat() const {
    checkFormatRecord(WaveFormat);
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

// ---- files ---------------------------------------------------------------------------------

void TWave::LoadFromFile(const std::filesystem::path& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        throwCannotOpen(fs::textFromPath(path));
    const int64_t fileSize = descriptorSize(file.get());
    auto read = [&](int64_t pos, uint8_t* out, int64_t n) -> int64_t {
        if (pos >= fileSize || n <= 0)
            return 0;
        return preadAll(file.get(), pos, out, std::min(n, fileSize - pos));
    };

    // A file too short for "RIFF", its size and "WAVE" is not a WAV file either.
    uint8_t header[12];
    if (read(0, header, 12) < 12)
        return;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return;
    const int64_t riffSize = static_cast<int32_t>(le::get32(header + 4));

    int64_t count = 4;
    int64_t pos = 12;
    while (count < riffSize) {
        // A file from SaveWaveFile ends with one zero byte that its RIFF size counts.
        if (fileSize - pos < 8)
            break;
        uint8_t chunk[8];
        read(pos, chunk, 8);
        pos += 8;
        const int64_t chunkSize = static_cast<int32_t>(le::get32(chunk + 4));
        // A negative size would walk backwards; no WAV file the program meets holds one.
        if (chunkSize < 0)
            break;
        count += 8 + chunkSize;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::array<uint8_t, 16> bytes = formatBytes(WaveFormat);
            read(pos, bytes.data(), std::min<int64_t>(chunkSize, 16));
            const WaveFormatRecord format = formatFromBytes(bytes);
            checkFormatRecord(format);
            WaveFormat = format;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            checkFormat();
            const int64_t present = std::clamp<int64_t>(fileSize - pos, 0, chunkSize);
            if (!fileBacked_) {
                discardWindow();
                std::unique_ptr<uint8_t[]> body(
                    new uint8_t[static_cast<size_t>(std::max<int64_t>(present, 1))]);
                const int64_t got = read(pos, body.get(), present);
                buffer_ = std::move(body);
                capacity_ = std::max<int64_t>(present, 1);
                size_ = got;
            } else {
                auto fresh = BackingFile::create(BackingFileName);
                backing_ = std::move(fresh);
                discardWindow();
                std::vector<uint8_t> block(static_cast<size_t>(std::min(present, kCopyBlock)));
                for (int64_t done = 0; done < present;) {
                    const int64_t n =
                        read(pos + done, block.data(), std::min(present - done, kCopyBlock));
                    if (n <= 0)
                        break;
                    backing_->writeAt(done, block.data(), n, 0);
                    done += n;
                }
            }
            if (present < chunkSize)
                throwReadError();
            FrameCount = clampFrameCount(nearInt(static_cast<double>(chunkSize) /
                                                 static_cast<double>(WaveFormat.blockAlign)));
        }
        // Chunks follow one another without alignment bytes.
        pos += chunkSize;
    }
}

void TWave::SaveToFile(const std::filesystem::path& path) {
    // A window left loaded by SetSample holds bytes newer than the file's.
    if (fileBacked_ && windowStart_ != NoWindow)
        FlushWindow();
    const int64_t length = DataSize();
    if (length > int64_t{0xFFFFFFFF} - 36)
        throw Error("The sample data is too long for a WAV file");
    std::vector<uint8_t> image =
        riff::header(formatBytes(WaveFormat), static_cast<uint64_t>(length), riff::Tail::None);

    fs::AtomicFileWriter out(path);
    out.write(image);
    if (!fileBacked_) {
        out.write(std::span<const uint8_t>(buffer_.get(), static_cast<size_t>(size_)));
    } else {
        // The data of a render does not fit in memory: it is copied from the backing file in
        // blocks.
        std::vector<uint8_t> block(static_cast<size_t>(std::min(length, kCopyBlock)));
        for (int64_t done = 0; done < length;) {
            const int64_t n =
                backing_->readAt(done, block.data(), std::min(length - done, kCopyBlock));
            if (n <= 0)
                throwReadError();
            out.write(std::span<const uint8_t>(block.data(), static_cast<size_t>(n)));
            done += n;
        }
    }
    out.commit();
}

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
