#pragma once
// The program's windows on the offline capture output, for the drum kit window tests: kits
// whose instruments each sound a level of their own, so that what was heard tells which sound
// played, and how loud.

#include <QAction>

#include <filesystem>
#include <string>
#include <vector>

#include "core/InstrumentList.h"
#include "core/Sequencer.h"
#include "kits/KitFile.h"
#include "platform/AudioTestSupport.h"
#include "platform/Timer.h"
#include "platform/audio/AudioOutput.h"
#include "support/AudioCapture.h"
#include "support/WindowsFixture.h"

namespace valdorin::testing {

class KitWindowsFixture : public WindowsFixture {
  protected:
    static constexpr int kRate = 44100;  // the kits' rate too: no conversion blurs a level
    static constexpr int kPulseFrames = 200;

    // Instrument i sounds a pulse of this level (a placeholder: level 0).
    static float level(int instrument) { return instrument / 64.0f; }

    void prepare(ProgramDir&) override {
        audio::installCaptureOutput(kRate);
        platform::setActivityProbe([this] { return active; });
    }
    void TearDown() override {
        WindowsFixture::TearDown();
        platform::setActivityProbe(nullptr);
        audio::installDefaultOutput();
    }
    // Whether the program counts as the active application.
    void setActive(bool on) {
        active = on;
        platform::setActivityProbe([this] { return active; });
    }

    // A kit of a placeholder and the given instruments (instrument list positions) in that
    // order, each sounding its own level; or with the levels given.
    static void fillKit(kits::TWaveCollection& kit, const std::vector<int>& order) {
        kit.ClearEntries();
        kit.AddEntry().Wave = pulse(0);
        for (int i : order) {
            kits::TWaveCollectionItem& e = kit.AddEntry();
            kit.SetEntryName(e, instrumentEntry(i));
            e.Wave = pulse(level(i));
        }
    }
    static kits::TKitWave pulse(float amplitude) {
        return audio::testing::kitWave(std::vector<float>(kPulseFrames, amplitude), 1, kRate, 16);
    }
    static std::vector<int> instruments(bool reversed = false, int lacking = 0) {
        std::vector<int> order;
        for (int i = 1; i <= kKitInstruments; ++i)
            if (i != lacking)
                order.push_back(reversed ? kKitInstruments + 1 - i : i);
        return order;
    }
    std::string writeKit(const std::string& name, const std::vector<int>& order) {
        kits::TWaveCollection kit;
        fillKit(kit, order);
        kits::WriteKitFile(kit, *dir / name);
        return (*dir / name).string();
    }
    // The main window's kit replaced by one of the test's levels, in instrument list order.
    void useTestKit() {
        fillKit(seq->Kit, instruments());
        seq->DXWaveList1->Prepare();
    }

    // The left channel of the next frames the output renders.
    static std::vector<float> heard(int frames = 2 * kPulseFrames) {
        return audio::testing::channel(audio::renderCapture(frames), 0);
    }
    // The level Play Instrument sounds for an instrument of the main window's kit.
    float playInstrument(int instrument) {
        seq->SetChooserText(instrumentEntry(instrument));
        seq->BitBtn11Click();
        return audio::testing::peak(heard());
    }

    bool active = true;
};

}  // namespace valdorin::testing
