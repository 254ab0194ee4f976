#include "render/AudioExport.h"

#include <sndfile.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/Text.h"

namespace valdorin::render {

namespace {

struct CloseSndfile {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFile = std::unique_ptr<SNDFILE, CloseSndfile>;

// libsndfile writes into this growing buffer; the whole file then goes to disk in one safe save.
struct MemoryFile {
    std::string bytes;
    sf_count_t pos = 0;
};

sf_count_t memLength(void* user) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR   ? m->pos
                            : whence == SEEK_END ? static_cast<sf_count_t>(m->bytes.size())
                                                 : 0;
    if (base + offset < 0)
        return -1;
    m->pos = base + offset;
    return m->pos;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const sf_count_t size = static_cast<sf_count_t>(m->bytes.size());
    const sf_count_t n = m->pos >= size ? 0 : std::min(count, size - m->pos);
    if (n > 0)
        std::memcpy(ptr, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}

sf_count_t memWrite(const void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryFile*>(user);
    const auto at = static_cast<std::size_t>(m->pos);
    const auto n = static_cast<std::size_t>(count);
    if (m->bytes.size() < at + n)
        m->bytes.resize(at + n);
    std::memcpy(m->bytes.data() + at, ptr, n);
    m->pos += count;
    return count;
}

sf_count_t memTell(void* user) {
    return static_cast<MemoryFile*>(user)->pos;
}

int sndfileFormat(AudioFormat format) {
    switch (format) {
        case AudioFormat::Flac:
            return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioFormat::Ogg:
            return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFormat::Wav:
            break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

}  // namespace

std::optional<AudioFormat> audioFormatNamed(std::string_view name) {
    if (sameText(name, "wav"))
        return AudioFormat::Wav;
    if (sameText(name, "flac"))
        return AudioFormat::Flac;
    if (sameText(name, "ogg"))
        return AudioFormat::Ogg;
    return std::nullopt;
}

AudioFormat audioFormatOf(const fs::Path& path) {
    const std::string ext = path.extension().string();
    if (ext.size() > 1) {
        if (const auto f = audioFormatNamed(ext.substr(1)); f && *f != AudioFormat::Wav)
            return *f;
    }
    return AudioFormat::Wav;
}

void ConvertWav(const fs::Path& wav, const fs::Path& out, AudioFormat format) {
    if (format == AudioFormat::Wav) {
        fs::writeFileAtomic(out, fs::readFile(wav));
        return;
    }
    SF_INFO inInfo{};
    SndFile in(sf_open(wav.c_str(), SFM_READ, &inInfo));
    if (!in)
        throwCannotOpen(fs::textFromPath(wav));

    MemoryFile memory;
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    outInfo.format = sndfileFormat(format);
    SndFile encoder(sf_open_virtual(&io, SFM_WRITE, &outInfo, &memory));
    if (!encoder)
        throwCannotCreate(fs::textFromPath(out));

    // Whole frames of 16-bit samples, a second or so at a time.
    std::vector<short> block(static_cast<std::size_t>(44100) *
                             static_cast<std::size_t>(inInfo.channels));
    const sf_count_t frames = static_cast<sf_count_t>(block.size()) / inInfo.channels;
    for (;;) {
        const sf_count_t n = sf_readf_short(in.get(), block.data(), frames);
        if (n <= 0)
            break;
        if (sf_writef_short(encoder.get(), block.data(), n) != n)
            throwCannotCreate(fs::textFromPath(out));
    }
    if (sf_error(in.get()) != SF_ERR_NO_ERROR)
        throw Error("Stream read error");
    // The FLAC encoder writes its stream header with the first samples; a silent song has none.
    if (format == AudioFormat::Flac)
        sf_command(encoder.get(), SFC_UPDATE_HEADER_NOW, nullptr, 0);
    encoder.reset();  // finishes the stream into memory
    fs::writeFileAtomic(out, memory.bytes);
}

}  // namespace valdorin::render
