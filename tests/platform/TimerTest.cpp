// The step timers, in a real Qt event loop. Timing is checked only by lower bounds and by the
// nominal times the timers hand to the sound platform, never by how soon a tick came.

#include "platform/Timer.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <optional>
#include <vector>

#include "support/AudioCapture.h"
#include "support/EventLoop.h"

namespace valdorin::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using valdorin::testing::runFor;
using valdorin::testing::runUntil;

class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setActivityProbe([this] { return active; });
    }
    void TearDown() override { setActivityProbe(nullptr); }

    // Records the moment and the nominal time of every tick.
    void record(DXTimer& t, std::vector<Clock::time_point>& when,
                std::vector<Clock::time_point>& nominal) {
        t.OnTimer = [&when, &nominal] {
            when.push_back(Clock::now());
            nominal.push_back(audio::currentTickStamp().value());
        };
    }

    bool active = true;
};

TEST_F(TimerTest, NoTicksWhileTheProgramIsInactive) {
    active = false;
    DXTimer t;
    int ticks = 0;
    t.OnTimer = [&] { ++ticks; };
    t.SetInterval(5);
    t.SetEnabled(true);
    runFor(milliseconds(100));
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(audio::applicationIsActive()) << "the sound platform is told as well";
    active = true;
    EXPECT_TRUE(runUntil([&] { return ticks >= 2; })) << "the ticks resume";
    EXPECT_TRUE(audio::applicationIsActive());
}

TEST_F(TimerTest, TheFirstTickComesOneIntervalAfterEnabling) {
    DXTimer t;
    std::vector<Clock::time_point> when, nominal;
    record(t, when, nominal);
    t.SetInterval(120);
    const auto before = Clock::now();
    t.SetEnabled(true);
    const auto after = Clock::now();
    ASSERT_TRUE(runUntil([&] { return !when.empty(); }));
    EXPECT_GE(when[0] - before, milliseconds(120));
    EXPECT_GE(nominal[0] - before, milliseconds(120));
    // On time, the grid starts at the enabling; a tick later than the slack re-anchors.
    EXPECT_TRUE(nominal[0] <= after + milliseconds(120) ||
                nominal[0] > before + milliseconds(120) + audio::tickSlack());
}

TEST_F(TimerTest, EnablingAnEnabledTimerDoesNothing) {
    DXTimer t;
    std::vector<Clock::time_point> when, nominal;
    record(t, when, nominal);
    t.SetInterval(300);
    const auto first = Clock::now();
    t.SetEnabled(true);
    runFor(milliseconds(150));
    ASSERT_TRUE(when.empty());
    t.SetEnabled(true);
    const auto second = Clock::now();
    ASSERT_TRUE(runUntil([&] { return !when.empty(); }));
    EXPECT_GE(nominal[0] - first, milliseconds(300));
    EXPECT_LT(nominal[0] - second, milliseconds(300)) << "the grid was not restarted";
}

TEST_F(TimerTest, ADisabledTimerDoesNotTick) {
    DXTimer t;
    int ticks = 0;
    t.OnTimer = [&] {
        ++ticks;
        t.SetEnabled(false);  // as a pattern's last step does
    };
    t.SetInterval(10);
    t.SetEnabled(true);
    ASSERT_TRUE(runUntil([&] { return ticks == 1; }));
    runFor(milliseconds(100));
    EXPECT_EQ(ticks, 1);
    t.SetEnabled(false);
    EXPECT_FALSE(t.Enabled());
}

TEST_F(TimerTest, ANegativeIntervalCountsAsZero) {
    DXTimer t;
    t.SetInterval(-40);
    EXPECT_EQ(t.Interval(), 0);
    int ticks = 0;
    t.OnTimer = [&] { ++ticks; };
    t.SetEnabled(true);
    EXPECT_TRUE(runUntil([&] { return ticks >= 20; }, milliseconds(5000)));
}

// Consecutive nominal times lie exactly one interval apart unless a tick came so late that the
// grid started afresh; never closer, and a late tick never brings a burst of catch-up ticks.
TEST_F(TimerTest, TicksKeepToTheirGridAndReanchorWhenLate) {
    DXTimer t;
    std::vector<Clock::time_point> when, nominal;
    record(t, when, nominal);
    t.SetInterval(20);
    t.SetEnabled(true);
    ASSERT_TRUE(runUntil([&] { return when.size() >= 3; }));
    // Keep the UI thread from the loop for far longer than the slack: one late tick.
    const auto busyUntil = Clock::now() + milliseconds(100);
    while (Clock::now() < busyUntil) {
    }
    const std::size_t lateIndex = when.size();
    ASSERT_TRUE(runUntil([&] { return when.size() >= lateIndex + 3; }));
    t.SetEnabled(false);

    for (std::size_t i = 1; i < nominal.size(); ++i) {
        const auto gap = nominal[i] - nominal[i - 1];
        EXPECT_TRUE(gap == milliseconds(20) || gap > milliseconds(20) + audio::tickSlack())
            << "tick " << i << ": on the grid, or re-anchored after a late delivery";
        EXPECT_GE(when[i], nominal[i]) << "no tick before its time";
    }
    EXPECT_GE(nominal[lateIndex] - busyUntil, Clock::duration::zero())
        << "the late tick re-anchored rather than caught up";
    EXPECT_GE(nominal[lateIndex + 1] - nominal[lateIndex], milliseconds(20));
}

TEST_F(TimerTest, TwoEnabledTimersBothTick) {
    DXTimer song, pattern;
    int songTicks = 0, patternTicks = 0;
    song.OnTimer = [&] { ++songTicks; };
    pattern.OnTimer = [&] { ++patternTicks; };
    song.SetInterval(15);
    pattern.SetInterval(25);
    song.SetEnabled(true);
    pattern.SetEnabled(true);
    ASSERT_TRUE(runUntil([&] { return songTicks >= 3 && patternTicks >= 3; }));
    pattern.SetEnabled(false);
    const int before = songTicks;
    EXPECT_TRUE(runUntil([&] { return songTicks >= before + 3; }))
        << "disabling the one enabled last leaves the other ticking";
}

TEST_F(TimerTest, ATimerDestroyedByAnotherTimersTickDoesNotTick) {
    auto victim = std::make_unique<DXTimer>();
    DXTimer killer;
    int victimTicks = 0, killerTicks = 0;
    victim->OnTimer = [&] { ++victimTicks; };
    killer.OnTimer = [&] {
        ++killerTicks;
        victim.reset();
    };
    killer.SetInterval(10);
    victim->SetInterval(10);
    killer.SetEnabled(true);
    victim->SetEnabled(true);
    ASSERT_TRUE(runUntil([&] { return killerTicks >= 3; }));
    EXPECT_LE(victimTicks, 1);
}

}  // namespace
}  // namespace valdorin::platform
