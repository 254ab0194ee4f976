#include "render/Unit1.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include <chrono>

#include "core/ProgramFiles.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "kits/SampleSlots.h"
#include "platform/FileSystem.h"
#include "render/Renderer.h"

namespace valdorin {

namespace {

// What the mixer takes from the main window and the sample slots.
render::MixSettings mixSettings(const TSequence& seq) {
    render::MixSettings s;
    s.tempDirectory = fs::pathFromText(seq.ProgramDirectory) / kTempDirName;
    for (int i = 1; i <= kKitInstruments && i < seq.Kit.Count(); ++i)
        s.kitPans[static_cast<std::size_t>(i)] = seq.Kit.EntryAt(i).Pan;
    if (seq.Slots != nullptr)
        for (int k = 1; k <= kSampleSlots; ++k)
            s.sampleSlots[static_cast<std::size_t>(k)] = {seq.Slots->frequency(k),
                                                          seq.Slots->pan(k), seq.Slots->volume(k)};
    return s;
}

// Follows the mix in the windows: the progress bar, the Render window's label, and Stop,
// which enables the Play Pattern button while window messages are let through.
class WindowMix : public render::MixObserver {
  public:
    WindowMix(TSequence& seq, TForm1& form) : seq_(seq), form_(form) {}

    void passStarted(int, int) override { lines_ = 0; }
    void linesRead(int count) override { lines_ = count; }
    void adding(const std::string& label) override {
        if (label != label_) {
            label_ = label;
            form_.Label2->setText(QString::fromStdString(label));
        }
    }
    bool interrupted() override {
        const auto now = std::chrono::steady_clock::now();
        if (now >= next_) {
            seq_.ProgressBar1->setValue(lines_);
            QCoreApplication::processEvents();
            next_ = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(TForm1::kMessageIntervalMs);
        }
        return seq_.BitBtn3->isEnabled();
    }

  private:
    TSequence& seq_;
    TForm1& form_;
    int lines_ = 0;
    std::string label_;
    std::chrono::steady_clock::time_point next_{};
};

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Render");
    // No title-bar buttons: the user cannot close it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(313, 115);
    Label1 = new QLabel("Now Adding:", this);
    Label1->setGeometry(8, 32, 106, 22);
    QFont f("Times New Roman");
    f.setBold(true);
    f.setPixelSize(19);
    Label1->setFont(f);
    Label2 = new QLabel(this);
    Label2->setGeometry(136, 32, 170, 24);
    QFont g = font();
    g.setBold(true);
    g.setItalic(true);
    g.setPixelSize(19);
    Label2->setFont(g);
}

platform::FileDialogSpec TForm1::SaveDialog() {
    platform::FileDialogSpec d;
    d.title = "Save As One Big Lovely WAV File";
    d.defaultExt = ".wav";
    d.filter = "Audio files (*.wav)|*.WAV|All files (*.*)|*.*";
    d.overwritePrompt = true;
    return d;
}

void TForm1::Button1Click() {
    TSequence& seq = *windows().Sequence;
    // 1.
    const std::optional<std::string> chosen = platform::dialogs().saveFile(SaveDialog());
    if (chosen) {
        // 2.
        const fs::Path programDirectory = fs::pathFromText(seq.ProgramDirectory);
        seq.repaint();
        // 3, 4. The source is the mixer's own.
        const std::unique_ptr<render::TWave> destination =
            render::openRenderDestination(programDirectory);
        show();
        // 5.
        seq.ProgressBar1->setRange(0, static_cast<int>(seq.MainPlay.size()));
        seq.ProgressBar1->setValue(0);
        seq.ProgressBar1->show();
        // 6. The song is copied: Stop and Clear List empty it while the mixer runs.
        const std::vector<std::string> song = seq.MainPlay;
        WindowMix observer(seq, *this);
        const render::MixResult result =
            render::mixSong(song, seq.RenderInstruments, mixSettings(seq), *destination, observer);
        if (result == render::MixResult::Interrupted) {
            seq.ProgressBar1->setValue(0);
            seq.ProgressBar1->hide();
        }
        // 7. Written beside the chosen file and renamed over it: an old file stays whole until
        // the new one is complete.
        destination->SaveToFile(fs::pathFromText(*chosen));
        hide();
        // 8. The work file stays on disk.
    }
    // 9.
    seq.ProgressBar1->hide();
    seq.SetPlayButtonsEnabled(true);
    seq.MainPlay.clear();
}

}  // namespace valdorin
