#pragma once
// The main window: the pattern grid, the instrument chooser, tempo and time signature, the
// pattern library and the play list, the drum kit and the two playback timers.
//
// Handlers are named after their control and event and read as the program's steps; the rules
// they follow live in plain code (core/, song/, playback/, kits/). The handlers of one area are
// defined in that area's folder: tempo in core/SequencerTempo.cpp, playback in
// playback/PatternPlayback.cpp and playback/SongPlayback.cpp, editing in song/Editing.cpp,
// pattern files in song/PatternLibrary.cpp, the play list and songs in song/SongCommands.cpp,
// drum kits in kits/SequencerKits.cpp. UI thread only.

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/GridTable.h"
#include "core/PanFile.h"
#include "kits/KitFile.h"
#include "platform/Dialogs.h"
#include "platform/Timer.h"
#include "platform/audio/SoundDevice.h"
#include "platform/audio/WaveList.h"
#include "playback/CompileSong.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace valdorin {

namespace platform {
class TListBox;
class TTrackBar;
}  // namespace platform
namespace kits {
class SampleSlots;
class SlotView;
}  // namespace kits

class TStringGrid;
class WorkHistory;

class TSequence : public QMainWindow {
    Q_OBJECT
  public:
    // The main window's caption at start-up and after New Song.
    static constexpr const char* kCaption = "Valdorin Pro v5.0";
    // The caption built from a song title: this prefix, then the title.
    static constexpr const char* kTitledCaption = "Valdorin Pro v4.0 - ";

    explicit TSequence(QWidget* parent = nullptr);
    ~TSequence() override;

    // ---- state (in the order the window holds it) ----
    std::string ScratchName;  // pattern name taken by Save Pattern
    std::string StopRequest;  // "Stop" after Stop or Clear List
    int InitialLength = 16;
    int InitialBeatLength = 4;
    int SavedGlobalTempo = 60;  // the tempo value the user last chose on the bar
    double Tempo = 60;
    int StepInterval = 120;        // milliseconds
    int OutputSampleRate = 44200;  // of the primary format (44200, not 44100)
    int OutputSampleBits = 16;
    int SongPosition = 0;          // index of the next compiled-song line
    int PlayingLength = 0;         // pattern length taken by Play Pattern
    int PatternRow = 0;            // grid row the pattern timer plays next
    std::string ProgramDirectory;  // the current directory at start-up (program text)
    bool TemplateFlag = false;
    // The render instrument table: the instrument list positions the compiled song uses, in
    // increasing order, every one of them (not only 24).
    std::vector<int> RenderInstruments;
    int CellJump = 0;  // rows the cursor moves after a typed volume digit
    // The pans read from the pan file at start-up, kept for instruments a later kit lacks.
    Pans StartupPans{};

    // ---- data behind hidden controls ----
    GridTable Grid;                     // the table behind StringGrid1
    std::vector<std::string> MusicPad;  // the line buffer of file commands
    std::vector<std::string> MainPlay;  // the compiled song
    kits::TWaveCollection Kit;          // the drum kit played by DXWaveList1

    // ---- controls ----
    QLabel* Image1 = nullptr;  // the skin picture behind everything
    QLabel* Image3 = nullptr;
    platform::TListBox* MusicLib = nullptr;
    QToolButton* LibBin = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QToolButton* BitBtn2 = nullptr;
    platform::TListBox* SongList = nullptr;
    QToolButton* UpDown1Up = nullptr;    // the top arrow of UpDown1
    QToolButton* UpDown1Down = nullptr;  // the bottom arrow of UpDown1
    QToolButton* SongBin = nullptr;
    QCheckBox* Noend = nullptr;
    QToolButton* Rendor = nullptr;
    QToolButton* BitBtn10 = nullptr;
    QToolButton* BitBtn12 = nullptr;
    QToolButton* BitBtn11 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    platform::TTrackBar* Panning = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* BitBtn8 = nullptr;
    QPushButton* BitBtn9 = nullptr;
    QToolButton* BitBtn3 = nullptr;
    QToolButton* BitBtn4 = nullptr;
    QCheckBox* endless = nullptr;
    QLineEdit* Edit2 = nullptr;
    QComboBox* TimeBar = nullptr;
    QLineEdit* Edit4 = nullptr;
    QToolButton* BitBtn13 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QToolButton* BitBtn6 = nullptr;
    QToolButton* BitBtn7 = nullptr;
    TStringGrid* StringGrid1 = nullptr;
    QSpinBox* Loop = nullptr;
    platform::TTrackBar* Delay = nullptr;
    QLabel* Label6 = nullptr;  // the BPM display
    QCheckBox* Global = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // ---- menu entries ----
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QAction* New_Song = nullptr;
    QAction* OpenSong1 = nullptr;
    QAction* SaveSong1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Render1 = nullptr;
    QAction* ExportMidi1 = nullptr;
    QAction* ClearPattern1 = nullptr;
    QAction* ClearList1 = nullptr;
    QAction* UpdateTime1 = nullptr;
    QAction* Insertinstrument1 = nullptr;
    QAction* KitList1 = nullptr;
    QAction* KitMake = nullptr;
    QAction* SoundLibrary1 = nullptr;
    QAction* CellJump1 = nullptr;
    QAction* PlayPattern1 = nullptr;
    QAction* PlaySong1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* PlayInstrument1 = nullptr;
    QAction* HelpContents1 = nullptr;

    // ---- file dialogs ----
    platform::FileDialogSpec OpenDialog1;  // songs
    platform::FileDialogSpec SaveDialog1;
    platform::FileDialogSpec OpenDialog2;  // kits
    platform::FileDialogSpec MidiDialog;   // MIDI export

    // ---- sound and timers ----
    platform::DXTimer DXTimer1;  // the song timer
    platform::DXTimer DXTimer2;  // the pattern timer
    audio::SoundDevice DXSound1;
    std::unique_ptr<audio::WaveList> DXWaveList1;

    // The sample slots, owned by the sample importer window; set when that window exists.
    kits::SampleSlots* Slots = nullptr;
    // What the slots' windows show of them (picker captions, importer controls); set with Slots.
    kits::SlotView* SlotWindows = nullptr;

    // Undo, redo and the recovery copy of the work (song/WorkHistory.h).
    std::unique_ptr<WorkHistory> History;

    // ---- start-up, close, resize (core/Sequencer.cpp) ----
    void FormCreate();
    // Writes the pan file; false when the close must be abandoned.
    bool FormClose();
    void FormResize();
    void Exit1Click();
    void DXSound1Initialize();
    void HelpContentsClick();

    // ---- tempo and time signature (core/SequencerTempo.cpp) ----
    void TempoRefresh();
    void DelayChange();
    void TimeBarChange();
    void BitBtn13Click();  // Update Time
    void LoopChange();

    // ---- pattern playback (playback/PatternPlayback.cpp) ----
    void BitBtn3Click();  // Play Pattern
    void DXTimer2Timer();
    // Sounds one cell text: a kit instrument at its volume step, or a sample slot restarted.
    void CellTrigger(const std::string& text);
    void BitBtn4Click();   // Stop
    void BitBtn10Click();  // Clear List
    void BitBtn11Click();  // Play Instrument
    void SetPlayButtonsEnabled(bool on);
    // An undecodable cell text was reported during this playback; each play command clears it,
    // so that a bad cell is reported once and not at every pass.
    bool CellErrorReported = false;

    // ---- editing (song/Editing.cpp) ----
    void StringGrid1MouseUp(Qt::MouseButton button);
    void SampleVolume(int column, int row);
    void FormKeyPress(char key);
    bool StringGrid1KeyDown(int key);
    void Insertinstrument1Click();
    void ComboBox1Change();
    void PanningChange();
    void CellJump1Click();
    void BitBtn7Click();  // Clear Pattern
    void Edit2Change();
    void Edit3Change();

    // ---- pattern files and the library (song/PatternLibrary.cpp) ----
    void BitBtn6Click();  // Save Pattern
    void SongListMouseDown(Qt::MouseButton button);
    void MusicLibDblClick();
    void BitBtn2Click();  // Remove from play list
    void LibBinClick();   // Delete pattern
    // Adds a name to the library in its sorted place.
    void AddToLibrary(const std::string& name);

    // ---- rendering (render/RenderCommand.cpp) ----
    void RendorClick();
    // True from the render command's start until the mixer ends: the render lets window
    // messages through, and a second render must not start inside it.
    bool Rendering = false;

    // ---- song export (render/MidiExportCommand.cpp) ----
    void ExportMidi1Click();

    // ---- the play list and song files (song/SongCommands.cpp) ----
    void UpDown1Click(bool up);  // true: Move up (the top arrow); false: Move down
    void SongBinClick();         // Delete marked
    void BitBtn8Click();         // Open Song
    void BitBtn9Click();         // Save Song
    void New_SongClick();

    // ---- song playback (playback/SongPlayback.cpp) ----
    void BitBtn12Click();  // Play Song
    void DXTimer1Timer();
    // Compiles the play list from the selected entry into MainPlay, the window following each
    // pattern; then selects the entry before the start, applies Global and resets the song
    // position and the stop request. Raises where a pattern fails, MainPlay keeping its lines.
    playback::CompileResult CompileSong();
    // The song is at its end: again from its first line with the song loop, otherwise over.
    void EndSong();

    // ---- drum kits (kits/SequencerKits.cpp) ----
    void SoundLibrary1Click();  // Import > Drum Kit Library
    void KitList1Click();
    void KitMakeClick();

    // Text of the instrument chooser as program text.
    std::string ChooserText() const;
    void SetChooserText(const std::string& text);

  signals:
    // The main window has closed: the program ends.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createControls();
    void createMenu();
};

}  // namespace valdorin
