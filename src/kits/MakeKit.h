#pragma once
// The kit maker window: assembles a new drum kit from WAV files, one per kit instrument, plays
// a slot's file on the window's own sound device, and saves the kit as a kit file, optionally
// taking it into use in the main window at once. The kit's rules live in kits::KitMaker.
// UI thread only.

#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>

#include "kits/KitMaker.h"
#include "platform/Dialogs.h"
#include "platform/audio/AudioFileStream.h"
#include "platform/audio/SoundDevice.h"

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace valdorin {

class TMakit : public QWidget {
    Q_OBJECT
  public:
    explicit TMakit(QWidget* parent = nullptr);
    ~TMakit() override;

    // ---- sound (the device first: the preview stream lives on it) ----
    audio::SoundDevice DXSound;
    // Plays a slot's source file; made by PrepareKit, freed when the device shuts down.
    std::unique_ptr<audio::AudioFileStream> PreviewStream;

    // ---- the kit being made: DXWaveList1's kit and the slots' source file names ----
    kits::KitMaker Maker;
    int SelectedSlot = 1;

    // ---- controls ----
    QPushButton* Load_sample = nullptr;
    QPushButton* Play = nullptr;
    QPushButton* Save_library = nullptr;
    std::array<QRadioButton*, kits::kMakerSlots> RadioButtons{};  // RadioButton1 .. 16
    QButtonGroup* RadioGroup = nullptr;
    platform::FileDialogSpec OpenDialog1;  // WAV files
    platform::FileDialogSpec SaveDialog1;  // kit files

    // ---- handlers ----
    void FormCreate();
    void PrepareKit();
    void Load_sampleClick();
    void PlayClick();
    void Save_libraryClick();
    void DXSoundFinalize();

    // The main window's program directory, or the current directory before it has one.
    std::filesystem::path ProgramDirectory() const;

  private:
    // The number of the checked radio button, testing 1 to 16 in order; the selected slot when
    // none is checked.
    int checkedSlot() const;
    // Shuts the device down (freeing the preview stream) if it runs, and starts it.
    void restartSound();
};

}  // namespace valdorin
