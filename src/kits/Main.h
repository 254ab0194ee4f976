#pragma once
// The sample importer window: owns the 32 sample slots (each an audio file stream on the
// window's own sound device, with a base pitch and a semitone offset), opens a WAV file into
// the current slot, previews it and sets its pan, volume and pitch, freely or by semitones.
// The rest of the program reaches the slots through kits::SampleSlots. UI thread only.

#include <QMainWindow>

#include <filesystem>
#include <string>

#include "kits/SampleBank.h"
#include "kits/SampleSlots.h"
#include "platform/Dialogs.h"
#include "platform/audio/SoundDevice.h"

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace valdorin {

namespace platform {
class TTrackBar;
}

class TMainForm : public QMainWindow, public kits::SampleSlots, public kits::SlotView {
    Q_OBJECT
  public:
    static constexpr const char* kOpenFilter = "Wave (*.wav)|*.wav|All files (*.*)|*.*";

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- sound and slots (the device first: the slots' streams live on it) ----
    audio::SoundDevice DXSound;
    kits::SampleBank Bank{DXSound};
    // The slot the controls work on; 0 until the sample picker first selects one.
    int CurrentSlot = 0;

    // ---- controls ----
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image3 = nullptr;  // the brighter triangles, beneath Image1 and Image2
    QLabel* Image4 = nullptr;
    QLabel* Image1 = nullptr;                          // semitone down
    QLabel* Image2 = nullptr;                          // semitone up
    platform::TTrackBar* FrequencyTrackBar = nullptr;  // Hz
    platform::TTrackBar* VolumeTrackBar = nullptr;     // decibels of attenuation, 0 to -40
    platform::TTrackBar* PanTrackBar = nullptr;        // decibels, -40 (left) to 40
    QLabel* FrequencyLabel = nullptr;
    QLabel* VolumeLabel = nullptr;
    QLabel* PanLabel = nullptr;
    QPushButton* PlayButton = nullptr;
    QPushButton* Button1 = nullptr;
    // Polls the end of a preview; not a playback timer, so a plain Qt timer.
    QTimer* Timer = nullptr;
    platform::FileDialogSpec OpenDialog;

    // ---- menu entries ----
    QAction* FileOpen = nullptr;
    QAction* FileClose = nullptr;
    QAction* FileEnd = nullptr;
    QAction* GlobalFocusItem = nullptr;

    // ---- handlers ----
    void FormCreate();
    void FileOpenClick();
    void FileCloseClick();
    void FileEndClick();
    void Button1Click();
    void PanTrackBarChange();
    void VolumeTrackBarChange();
    void FrequencyTrackBarChange();
    void PlayButtonClick();
    void TimerTimer();
    void Image1Click();
    void Image2Click();
    void GlobalFocusItemClick();

    // Shows slot s's pan, volume and frequency on the track bars (without running their
    // change handlers). A slot without sound raises "IDirectSoundBuffer not made" instead.
    void ShowSlotSettings(int slot);
    // The main window's program directory, or the current directory before it has one.
    std::filesystem::path ProgramDirectory() const;

    // ---- kits::SampleSlots ----
    std::string fileName(int slot) const override;
    void setFileName(int slot, const std::string& path) override;
    int frequency(int slot) const override;
    void setFrequency(int slot, int hz) override;
    int pan(int slot) const override;
    void setPan(int slot, int pan) override;
    int volume(int slot) const override;
    void setBasePitch(int slot, int hz) override;
    void restart(int slot) override;
    void stop(int slot) override;

    // ---- kits::SlotView ----
    void setPickerCaption(int slot, const std::string& caption) override;
    void enableImporterControls() override;
    void setPitchBar(int hz) override;

  private:
    void createControls();
    void createMenu();
    // Primary output format: PCM, 44100 Hz, stereo, with the given bits per sample.
    void setPrimaryFormat(int bits);
    // One semitone step of the current slot: -1 down, +1 up.
    void semitoneStep(int direction, QLabel* picture);
};

}  // namespace valdorin
