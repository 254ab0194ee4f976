// The mixer: voices of kit waves (already at the output rate) and streams read from their rings
// through a cubic interpolator at a variable rate. Runs on the audio thread: no allocation, no
// lock, no system call.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/audio/Engine.h"

namespace valdorin::audio::detail {

namespace {

inline float hermite(float x0, float x1, float x2, float x3, float t) {
    const float c1 = 0.5f * (x2 - x0);
    const float c2 = x0 - 2.5f * x1 + 2.0f * x2 - 0.5f * x3;
    const float c3 = 0.5f * (x3 - x0) + 1.5f * (x1 - x2);
    return ((c3 * t + c2) * t + c1) * t + x1;
}

}  // namespace

Mixer::Mixer() = default;

void Mixer::render(float* out, int frames) {
    while (frames > 0) {
        const int n = std::min(frames, kSubBlock);
        renderBlock(out, n);
        out += 2 * n;
        frames -= n;
    }
}

void Mixer::release(Retained*& keep) {
    if (keep == nullptr)
        return;
    if (onUiThread_) {
        delete keep;
    } else if (!garbage.push(keep)) {
        // The UI thread has not collected for a long while; keep it for a later block. The
        // list is as long as everything that can hold a handle at once.
        if (pendingGarbageCount_ < static_cast<int>(std::size(pendingGarbage_)))
            pendingGarbage_[pendingGarbageCount_++] = keep;
    }
    keep = nullptr;
}

void Mixer::renderBlock(float* out, int n) {
    while (pendingGarbageCount_ > 0 && garbage.push(pendingGarbage_[pendingGarbageCount_ - 1]))
        --pendingGarbageCount_;

    Command c;
    while (commands.pop(c))
        apply(c);

    std::fill(out, out + 2 * n, 0.0f);
    const bool active = g_applicationActive.load(std::memory_order_relaxed);
    for (Voice& v : voices_) {
        if (v.keep == nullptr)
            continue;
        mixVoice(v, out, n, v.muteWhenInactive && !active);
        if (v.done) {
            release(v.keep);
            v = Voice{};
        }
    }
    for (StreamSlot& s : streams_)
        if (s.core != nullptr)
            mixStream(*s.core, out, n, active);

    frame_ += n;
    rendered.store(frame_, std::memory_order_release);
}

void Mixer::apply(const Command& c) {
    switch (c.type) {
        case Command::Type::StartVoice: {
            Voice* slot = nullptr;
            for (Voice& v : voices_)
                if (v.keep == nullptr) {
                    slot = &v;
                    break;
                }
            if (slot == nullptr) {
                // All voices sound: the one that began first gives way.
                slot = &voices_[0];
                for (Voice& v : voices_)
                    if (v.start < slot->start)
                        slot = &v;
                release(slot->keep);
            }
            slot->wave = c.wave;
            slot->keep = c.keep;
            slot->pos = 0;
            slot->start = std::max(c.frame, frame_);
            slot->gainLeft = c.gainLeft;
            slot->gainRight = c.gainRight;
            slot->device = c.device;
            slot->muteWhenInactive = c.muteWhenInactive;
            slot->done = false;
            break;
        }
        case Command::Type::AddStream: {
            Retained* keep = c.keep;
            for (StreamSlot& s : streams_)
                if (s.core == nullptr) {
                    s.core = c.stream;
                    s.keep = keep;
                    keep = nullptr;
                    break;
                }
            release(keep);  // no room: the stream stays silent
            break;
        }
        case Command::Type::RemoveStream: {
            for (StreamSlot& s : streams_)
                if (s.core == c.stream) {
                    release(s.keep);
                    s = StreamSlot{};
                }
            Retained* keep = c.keep;
            release(keep);
            break;
        }
        case Command::Type::StreamEvent: {
            StreamCore::Play& p = c.stream->play;
            if (p.eventCount == kStreamEvents) {
                // A full list: the oldest event happens now.
                applyEvent(*c.stream, p.events[p.eventHead]);
                p.eventHead = (p.eventHead + 1) % kStreamEvents;
                --p.eventCount;
            }
            p.events[(p.eventHead + p.eventCount) % kStreamEvents] = c.event;
            ++p.eventCount;
            break;
        }
        case Command::Type::StopDevice:
            for (Voice& v : voices_)
                if (v.keep != nullptr && v.device == c.device) {
                    release(v.keep);
                    v = Voice{};
                }
            for (StreamSlot& s : streams_)
                if (s.core != nullptr && s.core->device == c.device)
                    silence(*s.core);
            break;
    }
}

void Mixer::mixVoice(Voice& v, float* out, int n, bool muted) {
    const int offset =
        v.start > frame_ ? static_cast<int>(std::min<std::int64_t>(v.start - frame_, n)) : 0;
    if (offset >= n)
        return;
    const PreparedWave& w = *v.wave;
    const int count = static_cast<int>(std::min<std::int64_t>(n - offset, w.frames - v.pos));
    if (!muted) {
        float* o = out + 2 * offset;
        const float gl = v.gainLeft;
        const float gr = v.gainRight;
        if (w.channels == 1) {
            const float* s = w.samples.data() + v.pos;
            for (int i = 0; i < count; ++i) {
                o[2 * i] += s[i] * gl;
                o[2 * i + 1] += s[i] * gr;
            }
        } else {
            const float* s = w.samples.data() + 2 * v.pos;
            for (int i = 0; i < count; ++i) {
                o[2 * i] += s[2 * i] * gl;
                o[2 * i + 1] += s[2 * i + 1] * gr;
            }
        }
    }
    v.pos += count;
    if (v.pos >= w.frames)
        v.done = true;
}

void Mixer::endStream(StreamCore& s) {
    s.play.playing = false;
    s.endedSerial.store(s.play.serial, std::memory_order_release);
}

void Mixer::silence(StreamCore& s) {
    // Pending plays count as played and ended, so that the UI side sees the stream stopped.
    StreamCore::Play& p = s.play;
    for (int k = 0; k < p.eventCount; ++k) {
        const StreamEvent& e = p.events[(p.eventHead + k) % kStreamEvents];
        if (e.type == StreamEvent::Type::Play)
            p.serial = e.serial;
    }
    p.eventCount = 0;
    endStream(s);
}

void Mixer::seek(StreamCore& s, std::int64_t position) {
    StreamCore::Play& p = s.play;
    p.pos = static_cast<double>(std::max<std::int64_t>(position, 0));
    const std::int64_t wanted = std::max(static_cast<std::int64_t>(p.pos), s.headFrames);
    if (!s.needsReader() || wanted >= p.endFrame)
        return;
    if (wanted >= p.winStart && wanted <= p.winStart + p.winCount)
        return;  // already here
    ++p.epoch;
    p.winStart = wanted;
    p.winCount = 0;
    p.chunkOffset = 0;
    s.request.store(
        (static_cast<std::uint64_t>(p.epoch & 0xFFFFFF) << 40) | static_cast<std::uint64_t>(wanted),
        std::memory_order_release);
}

void Mixer::applyEvent(StreamCore& s, const StreamEvent& e) {
    StreamCore::Play& p = s.play;
    switch (e.type) {
        case StreamEvent::Type::Play:
            p.serial = e.serial;
            if (!p.playing) {
                p.playing = true;
                if (p.pos >= static_cast<double>(p.endFrame))
                    endStream(s);
            }
            break;
        case StreamEvent::Type::Stop:
            p.playing = false;
            break;
        case StreamEvent::Type::Seek:
            seek(s, e.position);
            break;
    }
}

void Mixer::fillWindow(StreamCore& s, std::int64_t need) {
    StreamCore::Play& p = s.play;
    const int ch = s.channels;
    while (p.winStart + p.winCount <= need && p.winStart + p.winCount < p.endFrame) {
        const StreamChunk* c = s.chunks.front();
        if (c == nullptr)
            return;
        if ((c->epoch & 0xFFFFFF) != (p.epoch & 0xFFFFFF)) {
            s.chunks.drop();
            continue;
        }
        if (c->eof)
            p.endFrame = std::min(p.endFrame, c->start + c->count);
        if (p.winCount == kWindowFrames) {
            // Full: forget the frames the interpolator has passed.
            const std::int64_t keepFrom = static_cast<std::int64_t>(std::floor(p.pos)) - 2;
            const int dropped =
                static_cast<int>(std::clamp<std::int64_t>(keepFrom - p.winStart, 0, p.winCount));
            if (dropped == 0)
                return;
            std::memmove(p.window.get(), p.window.get() + dropped * ch,
                         sizeof(float) * (p.winCount - dropped) * ch);
            p.winStart += dropped;
            p.winCount -= dropped;
        }
        const int take = std::min(c->count - p.chunkOffset, kWindowFrames - p.winCount);
        std::memcpy(p.window.get() + p.winCount * ch, c->samples + p.chunkOffset * ch,
                    sizeof(float) * take * ch);
        p.winCount += take;
        p.chunkOffset += take;
        if (p.chunkOffset >= c->count) {
            s.chunks.drop();
            p.chunkOffset = 0;
        }
    }
}

void Mixer::renderStream(StreamCore& s, float* out, int from, int to, bool muted) {
    StreamCore::Play& p = s.play;
    if (!p.playing || from >= to)
        return;
    const int freq = s.frequency.load(std::memory_order_relaxed);
    const double ratio = std::clamp((freq > 0 ? freq : s.fileRate) / double(rate), 1e-4, kMaxRatio);
    const std::int64_t need =
        static_cast<std::int64_t>(std::floor(p.pos + (to - from) * ratio)) + 3;

    if (s.needsReader()) {
        fillWindow(s, need);
        if (waitForReader != nullptr) {
            // Offline: wait for the reader rather than leave a gap.
            for (int tries = 0; tries < 20000 && p.winStart + p.winCount <= need &&
                                p.winStart + p.winCount < p.endFrame && need >= s.headFrames;
                 ++tries) {
                waitForReader();
                fillWindow(s, need);
            }
        }
    }

    const float gl = muted ? 0.0f : s.gainLeft.load(std::memory_order_relaxed);
    const float gr = muted ? 0.0f : s.gainRight.load(std::memory_order_relaxed);
    const int ch = s.channels;
    const std::int64_t end = p.endFrame;
    const std::int64_t headFrames = s.headFrames;
    const float* head = s.head.data();
    const float* win = p.window.get();
    const std::int64_t winStart = p.winStart;
    const std::int64_t winEnd = p.winStart + p.winCount;
    auto sample = [&](std::int64_t i, int c) -> float {
        if (i < 0 || i >= end)
            return 0.0f;
        if (i < headFrames)
            return head[i * ch + c];
        if (i < winStart || i >= winEnd)
            return 0.0f;
        return win[(i - winStart) * ch + c];
    };

    for (int f = from; f < to; ++f) {
        if (p.pos >= static_cast<double>(end)) {
            endStream(s);
            break;
        }
        const std::int64_t i = static_cast<std::int64_t>(p.pos);
        const std::int64_t last = i + 2;
        if (last >= headFrames && last < end && last >= winEnd)
            break;  // reader behind: wait
        const float t = static_cast<float>(p.pos - static_cast<double>(i));
        if (ch == 1) {
            const float x =
                hermite(sample(i - 1, 0), sample(i, 0), sample(i + 1, 0), sample(i + 2, 0), t);
            out[2 * f] += x * gl;
            out[2 * f + 1] += x * gr;
        } else {
            out[2 * f] +=
                hermite(sample(i - 1, 0), sample(i, 0), sample(i + 1, 0), sample(i + 2, 0), t) * gl;
            out[2 * f + 1] +=
                hermite(sample(i - 1, 1), sample(i, 1), sample(i + 1, 1), sample(i + 2, 1), t) * gr;
        }
        p.pos += ratio;
    }
    if (p.playing && p.pos >= static_cast<double>(end))
        endStream(s);
}

void Mixer::mixStream(StreamCore& s, float* out, int n, bool active) {
    StreamCore::Play& p = s.play;
    const bool muted = s.muteWhenInactive.load(std::memory_order_relaxed) && !active;
    int cursor = 0;
    while (p.eventCount > 0) {
        const StreamEvent& e = p.events[p.eventHead];
        if (e.frame >= frame_ + n)
            break;
        const int at =
            std::max(cursor, static_cast<int>(std::max<std::int64_t>(e.frame - frame_, 0)));
        renderStream(s, out, cursor, at, muted);
        cursor = at;
        applyEvent(s, e);
        p.eventHead = (p.eventHead + 1) % kStreamEvents;
        --p.eventCount;
    }
    renderStream(s, out, cursor, n, muted);
    if (s.needsReader()) {
        // Throw away what a seek made stale so that the reader has room.
        while (const StreamChunk* c = s.chunks.front()) {
            if ((c->epoch & 0xFFFFFF) == (p.epoch & 0xFFFFFF))
                break;
            s.chunks.drop();
        }
    }
    s.position.store(static_cast<std::int64_t>(p.pos), std::memory_order_relaxed);
}

void Mixer::reset() {
    onUiThread_ = true;
    Command c;
    while (commands.pop(c)) {
        if (c.type == Command::Type::AddStream || c.type == Command::Type::RemoveStream ||
            c.type == Command::Type::StopDevice)
            apply(c);
        else
            release(c.keep);
    }
    for (Voice& v : voices_) {
        release(v.keep);
        v = Voice{};
    }
    for (StreamSlot& s : streams_)
        if (s.core != nullptr)
            silence(*s.core);
    frame_ = 0;
    rendered.store(0);
    onUiThread_ = false;
}

void Mixer::releaseAll() {
    reset();
    onUiThread_ = true;
    for (StreamSlot& s : streams_) {
        release(s.keep);
        s = StreamSlot{};
    }
    while (pendingGarbageCount_ > 0)
        delete pendingGarbage_[--pendingGarbageCount_];
    onUiThread_ = false;
}

}  // namespace valdorin::audio::detail
