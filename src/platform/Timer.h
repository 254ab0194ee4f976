#pragma once
// Periodic timers whose ticks come from the event loop's idle time, on the UI thread, at most
// one per pass, and only while the program is the active application.
//
// Every enabled timer ticks on its own: two enabled timers (the pattern timer and the song
// timer, started together through the menu shortcuts) both tick, each on its own interval, and
// disabling one never stops the other. A wake of the event loop gives each due timer at most
// one tick. A tick is due one interval after the nominal time of the previous one (or of the
// enabling), so the ticks keep to a grid; a tick that comes later than audio::tickSlack()
// re-anchors the grid at the moment it is delivered, with no burst of catch-up ticks. A tick
// whose handler raises shows the error in the error box, and the timer goes on.
//
// During a tick, sounds started by the tick's handler are placed in the output at the tick's
// nominal time (the previous nominal time plus the interval), not at the moment the UI thread
// got round to it, so a pattern's onsets lie on its step grid whatever the UI thread's jitter.

#include <functional>

namespace valdorin::platform {

class DXTimer {
  public:
    DXTimer();
    ~DXTimer();
    DXTimer(const DXTimer&) = delete;
    DXTimer& operator=(const DXTimer&) = delete;

    // Milliseconds; negative counts as 0. The next tick comes when at least that many
    // milliseconds have passed since the previous tick.
    void SetInterval(int ms);
    int Interval() const { return interval_; }
    // Enabling an enabled timer does nothing; the first tick comes one interval after enabling.
    void SetEnabled(bool on);
    bool Enabled() const { return enabled_; }

    std::function<void()> OnTimer;

  private:
    friend class TimerHub;
    int interval_ = 1000;
    bool enabled_ = false;
    struct State;
    State* state_;
};

// Whether the program is the active application. Qt's application state by default; tests
// install their own.
void setActivityProbe(std::function<bool()> probe);
bool applicationActive();

}  // namespace valdorin::platform
