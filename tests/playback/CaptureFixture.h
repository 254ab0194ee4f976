#pragma once
// Playback in the main window, heard through the capture output: the real step timers tick in a
// real event loop, and each step's sounds land in the capture at the tick's nominal time, so
// onsets can be compared with the ticks frame for frame. Every kit instrument sounds a short
// square pulse whose level tells which instrument it was.

#include <QToolButton>

#include <gmock/gmock.h>

#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/Errors.h"
#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "kits/SampleSlots.h"
#include "platform/AudioTestSupport.h"
#include "platform/Controls.h"
#include "platform/Timer.h"
#include "support/AudioCapture.h"
#include "support/EventLoop.h"
#include "support/WindowsFixture.h"

namespace valdorin::testing {

using audio::Clock;
using std::chrono::milliseconds;

constexpr int kRate = 44100;
// Every kit instrument i sounds a square pulse of this many frames at amplitude i / 64, so that
// an onset tells which instrument sounded and at what level.
constexpr int kPulseFrames = 200;

inline float pulseAmplitude(int instrument) {
    return instrument / 64.0f;
}

// The sample slots as a test sees them: which were restarted and stopped, in order.
class FakeSlots : public kits::SampleSlots {
  public:
    std::vector<int> restarted, stopped;
    std::set<int> withoutSound;

    std::string fileName(int) const override { return "Blank.wav"; }
    void setFileName(int, const std::string&) override {}
    int frequency(int) const override { return 44100; }
    void setFrequency(int, int) override {}
    int pan(int) const override { return 0; }
    void setPan(int, int) override {}
    int volume(int) const override { return 0; }
    void setBasePitch(int, int) override {}
    void restart(int slot) override {
        if (withoutSound.count(slot))
            throw Error("WaveStream not set");
        restarted.push_back(slot);
    }
    void stop(int slot) override { stopped.push_back(slot); }
};

struct Onset {
    std::int64_t frame;
    float level;
};

class CaptureFixture : public testing::WindowsFixture {
  protected:
    void SetUp() override {
        WindowsFixture::SetUp();
        platform::setActivityProbe([this] { return active; });
        audio::installCaptureOutput(kRate);
        for (int i = 1; i <= kKitInstruments; ++i) {
            auto& entry = seq->Kit.FindEntry(instrumentEntry(i));
            entry.Wave = audio::testing::kitWave(
                std::vector<float>(kPulseFrames, pulseAmplitude(i)), 1, kRate, 16);
            entry.Pan = 0;
        }
        seq->DXWaveList1->Prepare();
        realSlots = seq->Slots;
        seq->Slots = &fakeSlots;
        // Note each tick's nominal time, which is where its sounds must land: the pattern
        // timer's and the song timer's alike.
        for (platform::DXTimer* timer : {&seq->DXTimer2, &seq->DXTimer1}) {
            auto tick = timer->OnTimer;
            timer->OnTimer = [this, tick] {
                stamps.push_back(audio::currentTickStamp().value());
                tick();
            };
        }
    }
    void TearDown() override {
        seq->DXTimer1.SetEnabled(false);
        seq->DXTimer2.SetEnabled(false);
        seq->Slots = realSlots;
        platform::setActivityProbe(nullptr);
        audio::installDefaultOutput();
        WindowsFixture::TearDown();
    }

    bool runUntil(auto done, milliseconds limit = milliseconds(10000)) {
        return valdorin::testing::runUntil(done, limit);
    }
    void runFor(milliseconds span) { valdorin::testing::runFor(span); }

    // A user's move of the tempo bar (runs DelayChange, as dragging it does).
    void moveTempo(int position) { seq->Delay->setValue(position); }

    void pattern(int length, const std::vector<std::tuple<int, int, std::string>>& cells) {
        seq->Grid.setCell(2, 0, std::to_string(length));
        for (const auto& [channel, step, text] : cells)
            seq->Grid.setCell(channel, step + 1, text);
    }

    // Renders everything up to now, and `ahead` frames more so that the last pulses end, and
    // returns its onsets: a frame where the left channel turns from silence to sound, with the
    // pulse's level. While steps are still to come, nothing may be rendered ahead: a step due
    // in frames already rendered could not land at its time.
    std::vector<Onset> renderOnsets(int ahead = 4 * kPulseFrames) {
        const auto upToNow = frameOf(Clock::now()) + ahead - rendered;
        const auto left =
            audio::testing::channel(audio::renderCapture(static_cast<int>(upToNow)), 0);
        std::vector<Onset> onsets;
        for (std::size_t i = 0; i < left.size(); ++i) {
            const bool sound = std::fabs(left[i]) > 1e-6f;
            const bool before = i > 0 && std::fabs(left[i - 1]) > 1e-6f;
            if (sound && !before)
                onsets.push_back({rendered + static_cast<std::int64_t>(i), left[i]});
        }
        rendered += upToNow;
        return onsets;
    }

    // The capture frame a moment stands for.
    static std::int64_t frameOf(Clock::time_point t) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(t - audio::captureTimeForFrame(0))
                .count();
        return static_cast<std::int64_t>(std::llround(ns * 1e-9 * kRate));
    }
    static std::int64_t framesOf(int ms) { return static_cast<std::int64_t>(ms) * kRate / 1000; }

    // Each onset lies on its tick's nominal time, and the ticks lie one interval apart, except
    // where a tick came so late that the timer started its grid afresh (a loaded machine).
    void expectOnTheStepGrid(const std::vector<Onset>& onsets, int intervalMs) {
        ASSERT_EQ(onsets.size(), stamps.size());
        int reanchored = 0;
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(onsets[i].frame, frameOf(stamps[i]), 1);
            if (i == 0)
                continue;
            const auto gap = stamps[i] - stamps[i - 1];
            if (gap > milliseconds(intervalMs) + audio::tickSlack())
                ++reanchored;
            else
                EXPECT_NEAR(onsets[i].frame - onsets[i - 1].frame, framesOf(intervalMs), 1);
        }
        EXPECT_LE(reanchored, 2) << "more late ticks than a loaded machine explains";
    }

    bool playButtonsEnabled() const {
        return seq->BitBtn3->isEnabled() && seq->BitBtn12->isEnabled();
    }

    bool active = true;
    FakeSlots fakeSlots;
    kits::SampleSlots* realSlots = nullptr;
    std::vector<Clock::time_point> stamps;
    std::int64_t rendered = 0;
};

}  // namespace valdorin::testing
