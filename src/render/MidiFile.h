#pragma once
// A small writer of Standard MIDI Files: tracks of timed events, written as an "MThd" chunk
// and one "MTrk" chunk per track with variable-length delta times.
//
// Events are kept in the order they are added among equal ticks, so a caller decides, for
// instance, that a note-off goes before a note-on of the same note at the same tick.

#include <cstdint>
#include <string_view>
#include <vector>

namespace valdorin::midi {

using Bytes = std::vector<std::uint8_t>;

// Largest tempo a set-tempo event holds, in microseconds per quarter note (24 bits).
inline constexpr std::uint32_t kMaxTempo = 0xFFFFFF;

class Track {
  public:
    // Channels are counted from 1 (1..16); notes and velocities are 0..127.
    void noteOn(std::uint32_t tick, int channel, int note, int velocity);
    void noteOff(std::uint32_t tick, int channel, int note);
    // Set-tempo meta event, in microseconds per quarter note (1..kMaxTempo).
    void tempo(std::uint32_t tick, std::uint32_t microsPerQuarter);
    // Track name meta event.
    void name(std::uint32_t tick, std::string_view text);
    // Where the end-of-track event stands; never before the last event.
    void endAt(std::uint32_t tick);

    // The "MTrk" chunk: events in tick order, then end of track.
    Bytes chunk() const;

  private:
    struct Event {
        std::uint32_t tick;
        Bytes bytes;
    };
    void add(std::uint32_t tick, Bytes bytes);

    std::vector<Event> events_;
    std::uint32_t end_ = 0;
};

// A whole file: format (0, 1 or 2), ticks per quarter note, the tracks in order.
Bytes fileBytes(int format, int ticksPerQuarter, const std::vector<Track>& tracks);

// A variable-length quantity: 7 bits a byte, most significant first, high bit set on all but
// the last byte. Values up to 0x0FFFFFFF.
void appendVarLen(Bytes& out, std::uint32_t value);

}  // namespace valdorin::midi
