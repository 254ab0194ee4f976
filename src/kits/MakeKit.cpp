#include "kits/MakeKit.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "core/ProgramFiles.h"
#include "core/Sequencer.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"

namespace valdorin {

namespace {

struct RadioPlace {
    const char* caption;
    int x, y;
};

// RadioButton1 .. RadioButton16, in slot order.
constexpr std::array<RadioPlace, kits::kMakerSlots> kRadios = {{
    {"Kick", 112, 56},
    {"ShortKick", 16, 80},
    {"Snare", 112, 80},
    {"Cls Hi-Hat", 192, 80},
    {"Op Hi-Hat", 16, 104},
    {"Tom1", 112, 104},
    {"Tom2", 192, 104},
    {"Cymbol1", 16, 128},
    {"Cymbol2", 112, 128},
    {"Rimshot", 192, 128},
    {"Shaker", 16, 152},
    {"Block", 112, 152},
    {"Congo", 192, 152},
    {"Cowbell", 16, 176},
    {"Crack", 112, 176},
    {"Tamb", 192, 176},
}};
constexpr QSize kRadioSize(73, 17);

QPushButton* button(QWidget* parent, const char* caption, QRect place) {
    auto* b = new QPushButton(caption, parent);
    b->setGeometry(place);
    return b;
}

}  // namespace

TMakit::TMakit(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Maykit");
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setFixedSize(278, 255);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    // No global focus: the previews fall silent while another application is active.
    DXSound.SetGlobalFocus(false);
    auto run = [](auto&& command) { return [command] { platform::runCommand(command); }; };

    Load_sample = button(this, "Load Sample", {96, 8, 75, 25});
    connect(Load_sample, &QPushButton::clicked, this, run([this] { Load_sampleClick(); }));
    Play = button(this, "Play", {48, 48, 41, 25});
    connect(Play, &QPushButton::clicked, this, run([this] { PlayClick(); }));
    Save_library = button(this, "Save Library", {176, 48, 75, 25});
    connect(Save_library, &QPushButton::clicked, this, run([this] { Save_libraryClick(); }));

    RadioGroup = new QButtonGroup(this);
    RadioGroup->setExclusive(true);
    for (int i = 0; i < kits::kMakerSlots; ++i) {
        auto* r = new QRadioButton(kRadios[i].caption, this);
        r->setGeometry(QRect(QPoint(kRadios[i].x, kRadios[i].y), kRadioSize));
        RadioGroup->addButton(r, i + 1);
        RadioButtons[i] = r;
    }
    RadioButtons[0]->setChecked(true);

    OpenDialog1.filter = "wav|*.wav";
    OpenDialog1.mustExist = true;
    SaveDialog1.filter = "*.dxg|*.dxg";
    SaveDialog1.defaultExt = kits::kKitExtension;
}

TMakit::~TMakit() {
    DXSoundFinalize();
}

std::filesystem::path TMakit::ProgramDirectory() const {
    const TSequence* seq = windows().Sequence;
    if (seq && !seq->ProgramDirectory.empty())
        return fs::pathFromText(seq->ProgramDirectory);
    return std::filesystem::current_path();
}

void TMakit::FormCreate() {
    // A device that cannot start leaves the window without sound until the next PrepareKit.
    try {
        DXSound.Initialize();
    } catch (const std::exception&) {
    }
}

void TMakit::restartSound() {
    if (DXSound.Initialized()) {
        DXSound.Finalize();
        DXSoundFinalize();
    }
    DXSound.Initialize();
}

int TMakit::checkedSlot() const {
    int slot = SelectedSlot;
    for (int i = 1; i <= kits::kMakerSlots; ++i)
        if (RadioButtons[i - 1]->isChecked())
            slot = i;
    return slot;
}

void TMakit::PrepareKit() {
    // 1.
    restartSound();
    // 2.
    const std::filesystem::path dir = ProgramDirectory();
    Maker.Sources[0] = fs::textFromPath(kits::blankSoundFile(dir));
    // 3.
    PreviewStream = std::make_unique<audio::AudioFileStream>(DXSound);
    PreviewStream->SetFileName(Maker.Sources[0]);
    // 5.
    SelectedSlot = 1;
    // 4., 6., 7.
    Maker.FillWithBlankSound(dir);
    // 8.
    const TSequence* seq = windows().Sequence;
    if (!seq || !seq->TemplateFlag)
        return;
    Maker.TemplateFrom(seq->Kit, dir / kTempDirName);
}

void TMakit::Load_sampleClick() {
    // 1.
    const auto chosen = platform::dialogs().openFile(OpenDialog1);
    if (!chosen)
        return;
    // 3.
    SelectedSlot = checkedSlot();
    // 2., 4., 5.
    Maker.LoadSample(SelectedSlot, *chosen);
}

void TMakit::PlayClick() {
    // 1.
    SelectedSlot = checkedSlot();
    // 2. Always opened afresh.
    if (!PreviewStream)
        PreviewStream = std::make_unique<audio::AudioFileStream>(DXSound);
    PreviewStream->SetFileName(fs::textFromPath(Maker.PlayFile(SelectedSlot, ProgramDirectory())));
    // 3.
    DXSound.SetPrimaryFormat(
        audio::WaveFormat::pcm(44100, 2, PreviewStream->Format().bitsPerSample));
    // 4.
    PreviewStream->SetPosition(0);
    PreviewStream->Play();
}

void TMakit::Save_libraryClick() {
    // 1.
    SaveDialog1.directory = fs::textFromPath(ProgramDirectory());
    const auto chosen = platform::dialogs().saveFile(SaveDialog1);
    if (!chosen)
        return;
    const std::string path = kits::withKitExtension(*chosen);
    // 2.
    Maker.CheckInstrumentNames();
    // 3.
    kits::WriteKitFile(Maker.Kit, fs::pathFromText(path));
    // 4. Pans and volumes are not carried over: the new kit starts centred and at full level.
    if (platform::dialogs().askYesNo("Question", "Do you wish to use the new drum kit now?")) {
        if (TSequence* seq = windows().Sequence) {
            kits::ReadKitFile(seq->Kit, fs::pathFromText(path));
            seq->DXWaveList1->Prepare();
        }
    }
    // 5.
    hide();
}

void TMakit::DXSoundFinalize() {
    PreviewStream.reset();
}

}  // namespace valdorin
