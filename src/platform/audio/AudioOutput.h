#pragma once
// What the program's timers tell the sound platform. UI thread only, unless a function says
// otherwise.
//
// All sound devices share one output, chosen when the first of them starts: VALDORIN_AUDIO=
// portaudio (the default) opens the default PortAudio output, and falls back silently to the
// null output when there is no output device or it cannot be opened; VALDORIN_AUDIO=null takes
// the null output at once. The null output runs the mixer from a thread at real-time pace and
// discards the sound, so sounds start, play and end as they would on a sound card.

#include <chrono>
#include <optional>

namespace valdorin::audio {

using Clock = std::chrono::steady_clock;

// Sounds started while a TickScope lives are placed at the output frame of `nominal` (plus the
// output's latency) instead of at once. Set by the timers around their ticks; nests.
class TickScope {
  public:
    explicit TickScope(Clock::time_point nominal);
    ~TickScope();
    TickScope(const TickScope&) = delete;
    TickScope& operator=(const TickScope&) = delete;

  private:
    bool hadStamp_;
    Clock::time_point previous_;
};
// The nominal time of the tick being delivered, if any.
std::optional<Clock::time_point> currentTickStamp();
// How late a tick may come and still have its sounds placed at its nominal time. A timer
// that is later than this re-anchors its grid at the present.
Clock::duration tickSlack();

// Whether the program is the active application; devices without global focus are muted while
// it is not. Any thread; set by the UI side (the timers keep it up to date).
void setApplicationActive(bool active);

}  // namespace valdorin::audio
