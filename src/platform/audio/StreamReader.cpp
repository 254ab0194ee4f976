// The stream reader: a thread of the engine that keeps every playing stream's ring of chunks
// filled from its file, so that the mixer never touches a file.

#include <algorithm>

#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

StreamCore::StreamCore(SNDFILE* file, int fileChannels, int channels_, int rate,
                       std::int64_t frames, std::vector<float> head_, std::int64_t headFrames_)
    : channels(channels_),
      fileRate(rate),
      fileFrames(frames),
      head(std::move(head_)),
      headFrames(headFrames_),
      file_(file),
      fileChannels_(fileChannels) {
    frequency.store(rate);
    play.endFrame = fileFrames;
    play.winStart = headFrames;
    if (needsReader()) {
        play.window.reset(new float[static_cast<std::size_t>(kWindowFrames) * channels]);
        readBuffer_.resize(static_cast<std::size_t>(kChunkFrames) * fileChannels_);
        request.store(static_cast<std::uint64_t>(headFrames));
    }
}

StreamCore::~StreamCore() {
    if (file_ != nullptr)
        sf_close(file_);
}

void StreamCore::serviceReader() {
    if (file_ == nullptr)
        return;
    for (;;) {
        const std::uint64_t req = request.load(std::memory_order_acquire);
        const auto epoch = static_cast<std::uint32_t>(req >> 40);
        if (epoch != readerEpoch_) {
            readerEpoch_ = epoch;
            readerNext_ = static_cast<std::int64_t>(req & ((std::uint64_t{1} << 40) - 1));
            readerEof_ = sf_seek(file_, readerNext_, SEEK_SET) < 0;
            if (readerEof_) {
                if (StreamChunk* c = chunks.reserve()) {
                    c->epoch = epoch;
                    c->start = readerNext_;
                    c->count = 0;
                    c->eof = true;
                    chunks.commit();
                } else {
                    readerEpoch_ = ~0u;  // try again when there is room
                }
            }
        }
        if (readerEof_)
            return;
        StreamChunk* c = chunks.reserve();
        if (c == nullptr)
            return;
        const sf_count_t got = sf_readf_float(file_, readBuffer_.data(), kChunkFrames);
        const int n = static_cast<int>(std::max<sf_count_t>(got, 0));
        for (int i = 0; i < n; ++i)
            for (int ch = 0; ch < channels; ++ch)
                c->samples[i * channels + ch] =
                    readBuffer_[static_cast<std::size_t>(i) * fileChannels_ + ch];
        c->epoch = epoch;
        c->start = readerNext_;
        c->count = n;
        c->eof = n < kChunkFrames;
        // A seek that came while reading makes this chunk stale; the mixer drops it.
        chunks.commit();
        readerNext_ += n;
        if (c->eof)
            readerEof_ = true;
    }
}

void Engine::readerLoop() {
    std::vector<std::shared_ptr<StreamCore>> snapshot;
    std::unique_lock lock(readerMutex_);
    while (!readerStop_) {
        snapshot = readerStreams_;
        lock.unlock();
        for (const auto& s : snapshot)
            s->serviceReader();
        snapshot.clear();
        lock.lock();
        readerWake_.wait_for(lock, std::chrono::milliseconds(3));
    }
}

void Engine::addReaderStream(const std::shared_ptr<StreamCore>& core) {
    {
        std::lock_guard lock(readerMutex_);
        readerStreams_.push_back(core);
    }
    readerWake_.notify_all();
}

void Engine::removeReaderStream(const StreamCore* core) {
    std::lock_guard lock(readerMutex_);
    std::erase_if(readerStreams_, [core](const auto& s) { return s.get() == core; });
}

void Engine::wakeReader() {
    readerWake_.notify_all();
}

}  // namespace valdorin::audio::detail
