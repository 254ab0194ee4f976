// The hooks of AudioOutput.h: tick placement and the application's activity.

#include "platform/audio/AudioOutput.h"

#include "platform/audio/Engine.h"

namespace valdorin::audio {

namespace detail {

namespace {

// How late a tick may be and still sound at its nominal time; see tickSlack(). A GUI timer
// wakes a few milliseconds late and a busy UI thread (a repaint, a loaded machine) later still;
// the cost is only that a pattern's sounds all come this much after their ticks.
constexpr auto kSlack = std::chrono::milliseconds(30);

}  // namespace

int slackFrames(int rate) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(kSlack).count() *
                            rate / 1000000);
}

}  // namespace detail

using detail::Engine;

TickScope::TickScope(Clock::time_point nominal) {
    Engine& e = Engine::get();
    hadStamp_ = e.tickStamp.has_value();
    if (hadStamp_)
        previous_ = *e.tickStamp;
    e.tickStamp = nominal;
}

TickScope::~TickScope() {
    Engine& e = Engine::get();
    if (hadStamp_)
        e.tickStamp = previous_;
    else
        e.tickStamp.reset();
}

std::optional<Clock::time_point> currentTickStamp() {
    return Engine::get().tickStamp;
}

Clock::duration tickSlack() {
    return detail::kSlack;
}

void setApplicationActive(bool active) {
    detail::g_applicationActive.store(active);
}

}  // namespace valdorin::audio
