#pragma once
// The program's windows on the offline capture output, for the importer and picker tests:
// nothing sounds until a test renders, so a preview ends exactly when the test says.

#include <QAction>
#include <QPushButton>

#include <filesystem>
#include <string>

#include "kits/Main.h"
#include "kits/Sams.h"
#include "kits/SlotWavs.h"
#include "support/AudioCapture.h"
#include "support/WindowsFixture.h"

namespace valdorin::testing {

class SlotWindowsFixture : public WindowsFixture {
  protected:
    static constexpr int kOutputRate = 48000;

    void prepare(ProgramDir&) override { audio::installCaptureOutput(kOutputRate); }
    void SetUp() override {
        WindowsFixture::SetUp();
        form = windows().MainForm;
        picker = windows().Samples;
        std::filesystem::create_directory(*dir / "samples");
    }
    void TearDown() override {
        WindowsFixture::TearDown();
        audio::installDefaultOutput();
    }

    // A 441 Hz sine in the samples folder, outside the program directory's own files.
    std::string sine(const std::string& name, int rate, double seconds = 0.3) {
        const auto path = *dir / "samples" / name;
        kits::testing::writeSine(path, rate, 1, 16, seconds);
        return path.string();
    }
    void select(int slot) { QTest::mouseClick(picker->Buttons[slot - 1], Qt::LeftButton); }
    // File, Open with the dialog answering `path`.
    void open(const std::string& path) {
        dialogs.files.push_back(path);
        form->FileOpen->trigger();
    }
    std::string caption() const { return form->windowTitle().toStdString(); }

    TMainForm* form = nullptr;
    TSamples* picker = nullptr;
};

}  // namespace valdorin::testing
