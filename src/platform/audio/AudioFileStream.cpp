#include "platform/audio/AudioFileStream.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/Errors.h"
#include "platform/FileSystem.h"
#include "platform/audio/Engine.h"
#include "platform/audio/Units.h"

namespace valdorin::audio {

using detail::Command;
using detail::Engine;
using detail::StreamCore;
using detail::StreamEvent;

namespace {

int bitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 16;
    }
}

// The first second of a file is kept in memory, so that a restart sounds at once while the
// reader seeks.
std::int64_t headLength(const SF_INFO& info, std::uintmax_t fileBytes) {
    const std::int64_t second = std::clamp(info.samplerate, 1, 192000);
    return std::min<std::int64_t>({info.frames, second, static_cast<std::int64_t>(fileBytes)});
}

}  // namespace

struct AudioFileStream::Impl {
    explicit Impl(SoundDevice& d) : device(d) {}
    SoundDevice& device;
    std::string fileName;
    std::shared_ptr<StreamCore> core;
    WaveFormat format;
    int frequency = 0;
    int pan = 0;
    int volume = 0;
    bool playing = false;
    std::uint32_t serial = 0;

    void post(StreamEvent::Type type, std::int64_t position = 0) {
        Engine& engine = Engine::get();
        Command c;
        c.type = Command::Type::StreamEvent;
        c.stream = core.get();
        c.event.type = type;
        c.event.frame = engine.startFrame();
        c.event.position = position;
        c.event.serial = serial;
        engine.post(c);
    }

    void applyLevels() {
        const StereoGain g = levelGains(pan, volume);
        core->gainLeft.store(g.left);
        core->gainRight.store(g.right);
    }

    void close() {
        if (!core)
            return;
        Engine& engine = Engine::get();
        engine.removeReaderStream(core.get());
        Command c;
        c.type = Command::Type::RemoveStream;
        c.stream = core.get();
        c.keep = new detail::Retained(core);
        engine.post(c);
        core.reset();
    }
};

AudioFileStream::AudioFileStream(SoundDevice& device) : impl_(std::make_unique<Impl>(device)) {}

AudioFileStream::~AudioFileStream() {
    if (Engine::alive())
        impl_->close();
}

void AudioFileStream::SetFileName(const std::string& path) {
    Impl& s = *impl_;
    s.close();
    s.fileName.clear();
    s.frequency = 0;
    s.pan = 0;
    s.volume = 0;
    s.playing = false;

    const fs::Path resolved = fs::resolveCaseBlind(fs::pathFromText(path));
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(resolved, ec);
    if (ec || !std::filesystem::is_regular_file(resolved, ec))
        throwCannotOpen(path);
    SF_INFO info{};
    SNDFILE* file = sf_open(resolved.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        // The file is there but is no sound file libsndfile can read.
        throw Error("Cannot open file " + path + ": " + sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        sf_close(file);
        throw Error("Cannot open file " + path + ": the sound format is not supported");
    }
    const int channels = std::min(info.channels, 2);
    std::int64_t headFrames = headLength(info, bytes);
    std::vector<float> raw(static_cast<std::size_t>(headFrames) * info.channels);
    const sf_count_t got = headFrames > 0 ? sf_readf_float(file, raw.data(), headFrames) : 0;
    std::int64_t frames = info.frames;
    if (got < headFrames) {
        // The file holds less than its header says.
        headFrames = std::max<sf_count_t>(got, 0);
        frames = headFrames;
    }
    std::vector<float> head(static_cast<std::size_t>(headFrames) * channels);
    for (std::int64_t i = 0; i < headFrames; ++i)
        for (int c = 0; c < channels; ++c)
            head[i * channels + c] = raw[static_cast<std::size_t>(i) * info.channels + c];

    auto core =
        std::make_shared<StreamCore>(frames > headFrames ? file : nullptr, info.channels, channels,
                                     info.samplerate, frames, std::move(head), headFrames);
    if (frames <= headFrames)
        sf_close(file);
    core->device = s.device.Id();
    core->muteWhenInactive.store(!s.device.GlobalFocus());

    s.core = core;
    s.fileName = path;
    s.format = WaveFormat::pcm(info.samplerate, info.channels, bitsOf(info.format));
    if ((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
        (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE)
        s.format.formatTag = 3;
    s.frequency = info.samplerate;
    s.applyLevels();

    Engine& engine = Engine::get();
    if (core->needsReader())
        engine.addReaderStream(core);
    Command c;
    c.type = Command::Type::AddStream;
    c.stream = core.get();
    c.keep = new detail::Retained(core);
    engine.post(c);
}

const std::string& AudioFileStream::FileName() const {
    return impl_->fileName;
}

bool AudioFileStream::HasSound() const {
    return impl_->core != nullptr;
}

WaveFormat AudioFileStream::Format() const {
    return impl_->format;
}

int AudioFileStream::Frequency() const {
    return impl_->frequency;
}

void AudioFileStream::SetFrequency(int hz) {
    impl_->frequency = hz;
    if (impl_->core)
        impl_->core->frequency.store(hz);
}

int AudioFileStream::Pan() const {
    return impl_->pan;
}

void AudioFileStream::SetPan(int pan) {
    impl_->pan = std::clamp(pan, -10000, 10000);
    if (impl_->core)
        impl_->applyLevels();
}

int AudioFileStream::Volume() const {
    return impl_->volume;
}

void AudioFileStream::SetVolume(int volume) {
    impl_->volume = std::clamp(volume, -10000, 0);
    if (impl_->core)
        impl_->applyLevels();
}

void AudioFileStream::SetPosition(std::int64_t frame) {
    if (!impl_->core)
        return;
    impl_->post(StreamEvent::Type::Seek, std::max<std::int64_t>(frame, 0));
}

std::int64_t AudioFileStream::Position() const {
    return impl_->core ? impl_->core->position.load() : 0;
}

void AudioFileStream::Play() {
    Impl& s = *impl_;
    if (!s.core)
        throw Error("WaveStream not set");
    ++s.serial;
    s.playing = true;
    s.post(StreamEvent::Type::Play);
}

void AudioFileStream::Stop() {
    Impl& s = *impl_;
    if (!s.core)
        return;
    s.playing = false;
    s.post(StreamEvent::Type::Stop);
}

bool AudioFileStream::Playing() const {
    const Impl& s = *impl_;
    if (!s.core || !s.playing)
        return false;
    Engine::get().collectGarbage();
    return s.core->endedSerial.load(std::memory_order_acquire) != s.serial;
}

void AudioFileStream::RecreateBuffer() {
    Impl& s = *impl_;
    if (!s.core)
        throw Error("IDirectSoundBuffer not made");
    s.core->muteWhenInactive.store(!s.device.GlobalFocus());
}

void AudioFileStream::CheckBuffer() const {
    if (!impl_->core)
        throw Error("IDirectSoundBuffer not made");
}

}  // namespace valdorin::audio
