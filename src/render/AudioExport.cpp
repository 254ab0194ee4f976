#include "render/AudioExport.h"

#include <sndfile.h>

#include <fstream>
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

// A byte-for-byte copy, streamed, as a safe save.
void copyFile(const fs::Path& from, const fs::Path& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in)
        throwCannotOpen(fs::textFromPath(from));
    fs::AtomicFileWriter writer(to);
    std::vector<char> block(1 << 16);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        writer.write(std::string_view(block.data(), static_cast<std::size_t>(in.gcount())));
    }
    if (in.bad())
        throw Error("Stream read error");
    writer.commit();
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
        copyFile(wav, out);
        return;
    }
    SF_INFO inInfo{};
    SndFile in(sf_open(wav.c_str(), SFM_READ, &inInfo));
    if (!in)
        throwCannotOpen(fs::textFromPath(wav));

    fs::AtomicFileWriter writer(out);
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    outInfo.format = sndfileFormat(format);
    SndFile encoder(sf_open_fd(writer.descriptor(), SFM_WRITE, &outInfo, SF_FALSE));
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
            throw Error("Stream write error");
    }
    if (sf_error(in.get()) != SF_ERR_NO_ERROR)
        throw Error("Stream read error");
    // The FLAC encoder writes its stream header with the first samples; a silent song has none.
    if (format == AudioFormat::Flac)
        sf_command(encoder.get(), SFC_UPDATE_HEADER_NOW, nullptr, 0);
    encoder.reset();  // finishes the stream
    writer.commit();
}

}  // namespace valdorin::render
