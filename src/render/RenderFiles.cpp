#include "render/RenderFiles.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "kits/SlotRules.h"
#include "platform/FileSystem.h"

namespace valdorin::render {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kTagPcm = 1;
// Bytes of 16-bit sound a sound file image may decode to: 64 per byte of the image is far above
// what real compressed audio gives, and any uncompressed image stays well below it.
constexpr std::size_t kMaxDecodedPerImageByte = 64;
constexpr std::size_t kMinDecodedLimit = 1 << 20;
constexpr int kTagExtensible = 0xFFFE;

// libsndfile reading from a byte image in memory.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    sf_count_t pos = 0;
};

sf_count_t memLength(void* user) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    auto& f = *static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(f.bytes.size());
    sf_count_t to = offset;
    if (whence == SEEK_CUR)
        to = f.pos + offset;
    else if (whence == SEEK_END)
        to = size + offset;
    f.pos = std::clamp<sf_count_t>(to, 0, size);
    return f.pos;
}

sf_count_t memRead(void* out, sf_count_t count, void* user) {
    auto& f = *static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(f.bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, size - f.pos);
    if (n > 0)
        std::memcpy(out, f.bytes.data() + f.pos, static_cast<std::size_t>(n));
    f.pos += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memTell(void* user) {
    return static_cast<MemoryFile*>(user)->pos;
}

void putLe(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::int16_t to16(double v) {
    if (!std::isfinite(v))
        return 0;
    const double scaled = std::nearbyint(std::clamp(v, -2.0, 2.0) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

std::filesystem::path sampleSource(const std::string& fileName,
                                   const std::filesystem::path& programDirectory) {
    return fs::resolveCaseBlind(kits::slotFilePath(programDirectory, fileName));
}

}  // namespace

std::filesystem::path kitEntryFile(const std::filesystem::path& tempDirectory, int entry) {
    return tempDirectory / (std::to_string(entry) + ".wav");
}

std::filesystem::path sampleFile(const std::filesystem::path& tempDirectory, int slot) {
    return tempDirectory / ("sample" + std::to_string(slot) + ".wav");
}

bool rendersAsStored(const kits::TKitWave& wave) {
    if (wave.empty())
        return true;
    const int tag = wave.formatTag();
    const int bits = wave.bitsPerSample();
    return (tag == kTagPcm || tag == kTagExtensible) && (bits == 8 || bits == 16);
}

std::optional<kits::TKitWave> decodeTo16Bit(std::span<const std::uint8_t> image) {
    MemoryFile file{image, 0};
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (sf == nullptr)
        return std::nullopt;
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(sf);
        return std::nullopt;
    }
    const int channels = std::min(info.channels, 2);
    // Read in blocks: the header's frame count is not trusted, the image bounds what is read.
    constexpr sf_count_t kBlock = 4096;
    std::vector<double> block(static_cast<std::size_t>(kBlock * info.channels));
    Bytes data;
    // A compressed file may claim far more sound than real recordings hold (hours of silence in
    // a few kilobytes): past that bound it is refused rather than decoded without end.
    const std::size_t limit = kMaxDecodedPerImageByte * image.size() + kMinDecodedLimit;
    for (;;) {
        const sf_count_t got = sf_readf_double(sf, block.data(), kBlock);
        if (got <= 0)
            break;
        if (data.size() + static_cast<std::size_t>(got * channels * 2) > limit) {
            sf_close(sf);
            throw Error("The sound is too long to be rendered");
        }
        for (sf_count_t f = 0; f < got; ++f)
            for (int c = 0; c < channels; ++c) {
                const std::int16_t v = to16(block[static_cast<std::size_t>(f * info.channels + c)]);
                putLe(data, static_cast<std::uint16_t>(v), 2);
            }
        if (got < kBlock)
            break;
    }
    sf_close(sf);

    const auto rate = static_cast<std::uint32_t>(info.samplerate);
    const auto align = static_cast<std::uint32_t>(channels * 2);
    Bytes format;
    putLe(format, kTagPcm, 2);
    putLe(format, static_cast<std::uint32_t>(channels), 2);
    putLe(format, rate, 4);
    putLe(format, rate * align, 4);
    putLe(format, align, 2);
    putLe(format, 16, 2);
    kits::TKitWave wave;
    wave.assign(std::move(format), std::move(data));
    return wave;
}

void exportKit(const kits::TWaveCollection& kit, const std::filesystem::path& tempDirectory) {
    for (int i = 0; i < kExportedKitEntries; ++i) {
        const kits::TKitWave& wave = kit.EntryAt(i).Wave;
        std::optional<kits::TKitWave> converted;
        if (!rendersAsStored(wave))
            converted = decodeTo16Bit(kits::WaveImage(wave));
        kits::SaveWaveFile(converted ? *converted : wave, kitEntryFile(tempDirectory, i));
    }
}

void removeSampleFiles(const std::filesystem::path& tempDirectory) {
    for (int k = 1; k <= kSampleSlots; ++k)
        fs::removeFile(sampleFile(tempDirectory, k));
}

void exportSample(const std::string& slotFileName, int slot,
                  const std::filesystem::path& programDirectory,
                  const std::filesystem::path& tempDirectory) {
    const std::filesystem::path source = sampleSource(slotFileName, programDirectory);
    kits::TKitWave wave;
    try {
        kits::LoadWaveFile(wave, source);
    } catch (const Error&) {
        // Not a WAV file the kit reader takes; it may still be a sound file the slot plays.
        if (!fs::fileExists(source))
            throw;
        std::optional<kits::TKitWave> converted = decodeTo16Bit(fs::readFile(source));
        if (!converted)
            throw;
        kits::SaveWaveFile(*converted, sampleFile(tempDirectory, slot));
        return;
    }
    if (!rendersAsStored(wave))
        if (std::optional<kits::TKitWave> converted = decodeTo16Bit(fs::readFile(source)))
            wave = std::move(*converted);
    kits::SaveWaveFile(wave, sampleFile(tempDirectory, slot));
}

}  // namespace valdorin::render
