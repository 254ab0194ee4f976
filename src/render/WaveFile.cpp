// TWave's files: reading a RIFF/WAVE file and writing the 44-byte-header WAV file.
#include "render/wavaudio.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "core/LittleEndian.h"
#include "core/RiffWave.h"
#include "platform/FileSystem.h"
#include "render/BackingFile.h"
#include "render/WaveDetail.h"

namespace valdorin::render {

using namespace detail;

namespace {

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

}  // namespace

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

}  // namespace valdorin::render
