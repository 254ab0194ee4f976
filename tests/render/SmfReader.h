#pragma once
// An independent reader of Standard MIDI Files for the tests: it parses the chunks, delta
// times, running status and meta events by the file format alone, and turns ticks into seconds
// through every set-tempo event of the file, as a sequencer would.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace valdorin::render::test {

struct SmfNote {
    int track = 0;
    int channel = 0;  // 1..16
    int note = 0;
    int velocity = 0;
    std::uint32_t onTick = 0;
    std::uint32_t offTick = 0;
    double onSeconds = 0;
    double offSeconds = 0;
};

struct SmfFile {
    int format = 0;
    int division = 0;
    std::vector<std::string> trackNames;            // "" for a track without a name event
    std::map<std::uint32_t, std::uint32_t> tempos;  // tick -> microseconds per quarter note
    std::vector<std::uint32_t> trackEnds;           // tick of each end-of-track event
    std::vector<SmfNote> notes;                     // in the order their note-ons appear

    double seconds(std::uint32_t tick) const {
        double s = 0;
        std::uint32_t at = 0;
        std::uint32_t tempo = 500000;  // the file's default, 120 beats per minute
        for (const auto& [t, micros] : tempos) {
            if (t >= tick)
                break;
            s += double(t - at) * tempo / division / 1e6;
            at = t;
            tempo = micros;
        }
        return s + double(tick - at) * tempo / division / 1e6;
    }
};

class SmfCursor {
  public:
    SmfCursor(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end)
        : b_(b), at_(at), end_(end) {}
    bool done() const { return at_ >= end_; }
    std::uint8_t byte() {
        if (at_ >= end_)
            throw std::runtime_error("MIDI chunk ends early");
        return b_[at_++];
    }
    std::uint8_t peek() const { return at_ < end_ ? b_[at_] : 0; }
    std::uint32_t big(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | byte();
        return v;
    }
    std::uint32_t varLen() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t c = byte();
            v = (v << 7) | (c & 0x7F);
            if (!(c & 0x80))
                return v;
        }
        throw std::runtime_error("variable-length quantity longer than 4 bytes");
    }
    std::string text(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s += char(byte());
        return s;
    }
    std::size_t at() const { return at_; }

  private:
    const std::vector<std::uint8_t>& b_;
    std::size_t at_;
    std::size_t end_;
};

inline SmfFile readSmf(const std::vector<std::uint8_t>& bytes) {
    SmfFile f;
    SmfCursor file(bytes, 0, bytes.size());
    if (file.text(4) != "MThd" || file.big(4) != 6)
        throw std::runtime_error("no MThd chunk of 6 bytes");
    f.format = int(file.big(2));
    const int tracks = int(file.big(2));
    f.division = int(file.big(2));
    for (int t = 0; t < tracks; ++t) {
        if (file.text(4) != "MTrk")
            throw std::runtime_error("no MTrk chunk");
        const std::size_t length = file.big(4);
        const std::size_t start = file.at();
        if (start + length > bytes.size())
            throw std::runtime_error("MTrk runs past the file");
        SmfCursor c(bytes, start, start + length);
        for (std::size_t i = 0; i < length; ++i)
            file.byte();
        f.trackNames.emplace_back();
        std::uint32_t tick = 0;
        std::uint8_t running = 0;
        std::map<int, std::size_t> sounding;  // channel * 128 + note -> index in notes
        bool ended = false;
        while (!c.done() && !ended) {
            tick += c.varLen();
            std::uint8_t status = c.peek() & 0x80 ? c.byte() : running;
            if (status == 0xFF) {
                const int type = c.byte();
                const std::uint32_t n = c.varLen();
                const std::string data = c.text(n);
                if (type == 0x2F) {
                    f.trackEnds.push_back(tick);
                    ended = true;
                } else if (type == 0x51 && n == 3) {
                    f.tempos[tick] = (std::uint8_t(data[0]) << 16) | (std::uint8_t(data[1]) << 8) |
                                     std::uint8_t(data[2]);
                } else if (type == 0x03) {
                    f.trackNames.back() = data;
                }
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                c.text(c.varLen());
                continue;
            }
            if (!(status & 0x80))
                throw std::runtime_error("data byte without a status");
            running = status;
            const int kind = status & 0xF0;
            const int channel = (status & 0x0F) + 1;
            const int d1 = c.byte();
            const int d2 = (kind == 0xC0 || kind == 0xD0) ? 0 : c.byte();
            const int key = channel * 128 + d1;
            if (kind == 0x90 && d2 > 0) {
                if (sounding.count(key))
                    throw std::runtime_error("a note starts again while it sounds");
                sounding[key] = f.notes.size();
                f.notes.push_back({t, channel, d1, d2, tick, tick, 0, 0});
            } else if (kind == 0x80 || kind == 0x90) {
                const auto it = sounding.find(key);
                if (it == sounding.end())
                    throw std::runtime_error("a note ends that does not sound");
                f.notes[it->second].offTick = tick;
                sounding.erase(it);
            }
        }
        if (!ended || !c.done())
            throw std::runtime_error("track without its end-of-track event last");
        if (!sounding.empty())
            throw std::runtime_error("a note still sounds at the end of its track");
    }
    if (!file.done())
        throw std::runtime_error("bytes after the last track");
    for (auto& n : f.notes) {
        n.onSeconds = f.seconds(n.onTick);
        n.offSeconds = f.seconds(n.offTick);
    }
    return f;
}

}  // namespace valdorin::render::test
