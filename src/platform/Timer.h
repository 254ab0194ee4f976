#pragma once
// Periodic timers whose ticks come from the event loop's idle time, on the UI thread, at most
// one per pass, and only while the program is the active application.
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
