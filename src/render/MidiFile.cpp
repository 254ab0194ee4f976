#include "render/MidiFile.h"

#include <algorithm>
#include <stdexcept>

namespace valdorin::midi {

namespace {

void appendBE(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint8_t status(int kind, int channel) {
    return static_cast<std::uint8_t>(kind | ((channel - 1) & 0x0F));
}

std::uint8_t data7(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

}  // namespace

void appendVarLen(Bytes& out, std::uint32_t value) {
    if (value > 0x0FFFFFFF)
        throw std::out_of_range("MIDI delta time too large");
    std::uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n-- > 1)
        out.push_back(groups[n] | 0x80);
    out.push_back(groups[0]);
}

void Track::add(std::uint32_t tick, Bytes bytes) {
    events_.push_back({tick, std::move(bytes)});
    end_ = std::max(end_, tick);
}

void Track::noteOn(std::uint32_t tick, int channel, int note, int velocity) {
    add(tick, {status(0x90, channel), data7(note), data7(velocity)});
}

void Track::noteOff(std::uint32_t tick, int channel, int note) {
    add(tick, {status(0x80, channel), data7(note), 0});
}

void Track::tempo(std::uint32_t tick, std::uint32_t microsPerQuarter) {
    if (microsPerQuarter < 1 || microsPerQuarter > kMaxTempo)
        throw std::out_of_range("MIDI tempo out of range");
    Bytes e = {0xFF, 0x51, 0x03};
    appendBE(e, microsPerQuarter, 3);
    add(tick, std::move(e));
}

void Track::name(std::uint32_t tick, std::string_view text) {
    Bytes e = {0xFF, 0x03};
    appendVarLen(e, static_cast<std::uint32_t>(text.size()));
    e.insert(e.end(), text.begin(), text.end());
    add(tick, std::move(e));
}

void Track::endAt(std::uint32_t tick) {
    end_ = std::max(end_, tick);
}

Bytes Track::chunk() const {
    std::vector<const Event*> order;
    order.reserve(events_.size());
    for (const auto& e : events_)
        order.push_back(&e);
    std::stable_sort(order.begin(), order.end(),
                     [](const Event* a, const Event* b) { return a->tick < b->tick; });
    Bytes body;
    std::uint32_t now = 0;
    for (const Event* e : order) {
        appendVarLen(body, e->tick - now);
        now = e->tick;
        body.insert(body.end(), e->bytes.begin(), e->bytes.end());
    }
    appendVarLen(body, end_ - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    Bytes out = {'M', 'T', 'r', 'k'};
    appendBE(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes fileBytes(int format, int ticksPerQuarter, const std::vector<Track>& tracks) {
    Bytes out = {'M', 'T', 'h', 'd'};
    appendBE(out, 6, 4);
    appendBE(out, static_cast<std::uint32_t>(format), 2);
    appendBE(out, static_cast<std::uint32_t>(tracks.size()), 2);
    appendBE(out, static_cast<std::uint32_t>(ticksPerQuarter), 2);
    for (const auto& t : tracks) {
        const Bytes c = t.chunk();
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

}  // namespace valdorin::midi
