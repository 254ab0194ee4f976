// The timers' hub: one precise Qt timer wakes the event loop when the next enabled DXTimer is
// due, and each wake delivers at most one tick to each timer that is due. UI thread only.

#include "platform/Timer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <map>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/audio/AudioOutput.h"

namespace valdorin::platform {

using Clock = std::chrono::steady_clock;

namespace {

std::function<bool()>& activityProbe() {
    static std::function<bool()> probe;
    return probe;
}

// While the program is not active, the hub looks again this often.
constexpr auto kInactivePoll = std::chrono::milliseconds(10);

}  // namespace

struct DXTimer::State {
    std::uint64_t id = 0;
    // The nominal time of the last tick, or of the enabling: the next tick is due one interval
    // later.
    Clock::time_point nominal{};
};

class TimerHub {
  public:
    static TimerHub& get() {
        static TimerHub hub;
        return hub;
    }

    std::uint64_t add(DXTimer* t) {
        const std::uint64_t id = ++lastId_;
        timers_[id] = t;
        return id;
    }
    void remove(std::uint64_t id) { timers_.erase(id); }

    // Arms the wake for the earliest due timer; nothing when none is enabled.
    void schedule() {
        if (QCoreApplication::instance() == nullptr)
            return;
        ensureWake();
        bool any = false;
        Clock::time_point due = Clock::time_point::max();
        for (const auto& [id, t] : timers_)
            if (t->enabled_) {
                any = true;
                due = std::min(due, t->state_->nominal + std::chrono::milliseconds(t->interval_));
            }
        if (!any) {
            wake_->stop();
            return;
        }
        const auto wait = due - Clock::now();
        const auto ms = wait <= Clock::duration::zero()
                            ? std::chrono::milliseconds(0)
                            : std::chrono::ceil<std::chrono::milliseconds>(wait);
        wake_->start(ms);
    }

  private:
    TimerHub() = default;

    void ensureWake() {
        if (wake_ != nullptr)
            return;
        wake_ = new QTimer(QCoreApplication::instance());
        wake_->setSingleShot(true);
        wake_->setTimerType(Qt::PreciseTimer);
        QObject::connect(wake_, &QObject::destroyed, [this] { wake_ = nullptr; });
        QObject::connect(wake_, &QTimer::timeout, [this] { onWake(); });
        if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QObject::connect(gui, &QGuiApplication::applicationStateChanged,
                             [] { audio::setApplicationActive(applicationActive()); });
    }

    void onWake() {
        if (delivering_)
            return;  // a tick's handler runs a nested event loop: no nested ticks
        const bool active = applicationActive();
        audio::setApplicationActive(active);
        if (!active) {
            if (wake_ != nullptr)
                wake_->start(kInactivePoll);
            return;
        }
        std::vector<std::uint64_t> due;
        const Clock::time_point now = Clock::now();
        for (const auto& [id, t] : timers_)
            if (t->enabled_ && now >= t->state_->nominal + std::chrono::milliseconds(t->interval_))
                due.push_back(id);
        delivering_ = true;
        for (const std::uint64_t id : due) {
            // A handler may disable or destroy another timer.
            const auto it = timers_.find(id);
            if (it == timers_.end() || !it->second->enabled_)
                continue;
            DXTimer& t = *it->second;
            Clock::time_point nominal = t.state_->nominal + std::chrono::milliseconds(t.interval_);
            // Too late for its sounds to land at the nominal time: the grid starts afresh now
            // instead of catching up with a burst of ticks.
            const Clock::time_point tickNow = Clock::now();
            if (tickNow - nominal > audio::tickSlack())
                nominal = tickNow;
            t.state_->nominal = nominal;
            if (t.OnTimer) {
                const audio::TickScope scope(nominal);
                // The event loop is where a tick's command ends: its error goes to the error
                // box, as any command's does, and the timers go on.
                try {
                    t.OnTimer();
                } catch (const std::exception& e) {
                    dialogs().error(e.what());
                }
            }
        }
        delivering_ = false;
        schedule();
    }

    std::map<std::uint64_t, DXTimer*> timers_;
    std::uint64_t lastId_ = 0;
    QTimer* wake_ = nullptr;
    bool delivering_ = false;
};

DXTimer::DXTimer() : state_(new State) {
    state_->id = TimerHub::get().add(this);
}

DXTimer::~DXTimer() {
    TimerHub::get().remove(state_->id);
    delete state_;
}

void DXTimer::SetInterval(int ms) {
    interval_ = std::max(ms, 0);
    if (enabled_)
        TimerHub::get().schedule();
}

void DXTimer::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on)
        state_->nominal = Clock::now();
    TimerHub::get().schedule();
}

void setActivityProbe(std::function<bool()> probe) {
    activityProbe() = std::move(probe);
    audio::setApplicationActive(applicationActive());
}

bool applicationActive() {
    if (const auto& probe = activityProbe())
        return probe();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return true;
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

}  // namespace valdorin::platform
