#include "kits/Main.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>

#include "core/Sequencer.h"
#include "core/Text.h"
#include "core/Windows.h"
#include "kits/Sams.h"
#include "kits/SlotRules.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"

namespace valdorin {

using platform::qtText;

namespace {

// A picture that reports a left click (press and release on it), like a VCL image's OnClick.
class ClickPicture : public QLabel {
  public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            OnClick)
            OnClick();
    }
};

// A small filled triangle pointing left or right, drawn in the picture's size.
QPixmap triangle(QSize size, bool pointsLeft, QColor colour) {
    QPixmap p(size);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const qreal w = size.width() - 1, h = size.height() - 1;
    const QPointF tip = pointsLeft ? QPointF(1, h / 2) : QPointF(w - 1, h / 2);
    const qreal back = pointsLeft ? w - 1 : 1;
    painter.drawPolygon(QPolygonF({tip, QPointF(back, 1), QPointF(back, h - 1)}));
    return p;
}

QLabel* picture(QWidget* parent, QRect place, bool pointsLeft, QColor colour, bool clickable) {
    QLabel* l = clickable ? new ClickPicture(parent) : new QLabel(parent);
    l->setGeometry(place);
    l->setPixmap(triangle(place.size(), pointsLeft, colour));
    if (clickable)
        l->setCursor(Qt::PointingHandCursor);
    return l;
}

QLabel* label(QWidget* parent, const char* text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

platform::TTrackBar* trackBar(QWidget* parent, QRect place, int min, int max, int position) {
    auto* t = new platform::TTrackBar(Qt::Horizontal, parent);
    t->setGeometry(place);
    t->setRange(min, max);
    t->SetPosition(position);
    t->setTickPosition(QSlider::TicksBelow);
    t->setEnabled(false);
    return t;
}

QPushButton* button(QWidget* parent, const char* text, QRect place) {
    auto* b = new QPushButton(text, parent);
    b->setGeometry(place);
    return b;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Sample1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    // Small type: the window's places are laid out for a narrow 8-point system font.
    QFont f = font();
    f.setPointSize(7);
    setFont(f);
    createControls();
    createMenu();
    setFixedSize(245, 171 + menuBar()->sizeHint().height());
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    OpenDialog.filter = kOpenFilter;
    OpenDialog.defaultExt = "wav";
    OpenDialog.mustExist = true;
}

TMainForm::~TMainForm() = default;

void TMainForm::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFixedSize(245, 171);
    // The window's background is the system's button-shadow colour.
    QPalette shade = client->palette();
    shade.setColor(QPalette::Window, shade.color(QPalette::Dark));
    client->setPalette(shade);
    client->setAutoFillBackground(true);
    auto run = [](auto&& command) { return [command] { platform::runCommand(command); }; };

    Bevel1 = new QFrame(client);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 245, 2);

    Label1 = label(client, "Pitch by semitone", 4, 4);
    const QColor normal(0, 0, 128);
    const QColor bright(255, 255, 0);
    Image3 = picture(client, {96, 8, 13, 13}, true, bright, false);
    Image4 = picture(client, {116, 8, 17, 13}, false, bright, false);
    Image1 = picture(client, {96, 8, 13, 13}, true, normal, true);
    Image2 = picture(client, {116, 8, 17, 13}, false, normal, true);
    static_cast<ClickPicture*>(Image1)->OnClick = run([this] { Image1Click(); });
    static_cast<ClickPicture*>(Image2)->OnClick = run([this] { Image2Click(); });

    FrequencyTrackBar = trackBar(client, {8, 24, 193, 33}, 4410, 44100, 4410);
    FrequencyTrackBar->setPageStep(1100);
    FrequencyTrackBar->setTickInterval(4410);
    FrequencyTrackBar->OnChange = run([this] { FrequencyTrackBarChange(); });
    FrequencyLabel = label(client, "Pitch", 208, 32);
    VolumeTrackBar = trackBar(client, {8, 64, 193, 33}, -40, 0, 0);
    VolumeTrackBar->OnChange = run([this] { VolumeTrackBarChange(); });
    VolumeLabel = label(client, "Volume", 208, 72);
    PanTrackBar = trackBar(client, {8, 104, 193, 33}, -40, 40, 0);
    PanTrackBar->OnChange = run([this] { PanTrackBarChange(); });
    PanLabel = label(client, "Pan", 208, 112);

    PlayButton = button(client, "&Play", {24, 144, 41, 25});
    PlayButton->setEnabled(false);
    connect(PlayButton, &QPushButton::clicked, this, run([this] { PlayButtonClick(); }));
    Button1 = button(client, "OK", {72, 144, 41, 25});
    connect(Button1, &QPushButton::clicked, this, run([this] { Button1Click(); }));

    Timer = new QTimer(this);
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, run([this] { TimerTimer(); }));
}

void TMainForm::createMenu() {
    auto add = [this](QMenu* menu, const char* caption, auto handler) {
        QAction* a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, [handler] { platform::runCommand(handler); });
        return a;
    };
    QMenu* file = menuBar()->addMenu("&File");
    FileOpen = add(file, "&Open", [this] { FileOpenClick(); });
    FileClose = add(file, "&Close", [this] { FileCloseClick(); });
    file->addSeparator();
    FileEnd = add(file, "E&xit", [this] { FileEndClick(); });
    QMenu* option = menuBar()->addMenu("&Option");
    GlobalFocusItem = option->addAction("&GlobalFocus");
    GlobalFocusItem->setCheckable(true);
    GlobalFocusItem->setChecked(true);
    connect(GlobalFocusItem, &QAction::triggered, this, [this] {
        // Qt has ticked or unticked the entry already; the handler does the toggling itself
        // (so that it also works when run directly), so undo Qt's.
        GlobalFocusItem->setChecked(!GlobalFocusItem->isChecked());
        platform::runCommand([this] { GlobalFocusItemClick(); });
    });
}

std::filesystem::path TMainForm::ProgramDirectory() const {
    const TSequence* seq = windows().Sequence;
    if (seq && !seq->ProgramDirectory.empty())
        return fs::pathFromText(seq->ProgramDirectory);
    return std::filesystem::current_path();
}

void TMainForm::setPrimaryFormat(int bits) {
    DXSound.SetPrimaryFormat(audio::WaveFormat::pcm(44100, 2, bits));
}

void TMainForm::FormCreate() {
    try {
        // 1.
        DXSound.SetGlobalFocus(true);
        DXSound.Initialize();
        // 2. Every slot on the empty-slot sound; the primary format follows the slots' wave.
        Bank.ProgramDirectory = ProgramDirectory();
        try {
            Bank.OpenBlank();
        } catch (...) {
            setPrimaryFormat(Bank.Stream(kSampleSlots).Format().bitsPerSample);
            throw;
        }
        setPrimaryFormat(Bank.Stream(kSampleSlots).Format().bitsPerSample);
    } catch (const std::exception& e) {
        platform::dialogs().error(e.what());
    }
}

void TMainForm::FileOpenClick() {
    const int c = CurrentSlot;
    if (c < 1)
        return;  // no slot selected yet: the importer is never shown then
    // 1.
    const auto chosen = platform::dialogs().openFile(OpenDialog);
    if (!chosen)
        return;
    // 2.
    FileCloseClick();
    try {
        // 3.
        const std::string program =
            platform::programText(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        setWindowTitle(qtText(kits::applicationTitle(program) + " - " + fileNamePart(*chosen)));
        // 4.
        setPickerCaption(c, shortName(*chosen));
        // 5. The working copy is a convenience: a failed copy is no error.
        fs::copyFile(fs::pathFromText(*chosen),
                     ProgramDirectory() / kTempDirName / kImportedSampleFileName, true);
        // 6.
        Bank.SetFileName(c, *chosen);
        // 7.
        setPrimaryFormat(Bank.Stream(c).Format().bitsPerSample);
        // 8.
        enableImporterControls();
        // 9.
        PanTrackBar->SetPosition(0);
        VolumeTrackBar->SetPosition(0);
        FrequencyTrackBar->SetPosition(Bank.Stream(c).Frequency());
        // 10.
        Bank.SetBasePitch(c, Bank.Stream(c).Frequency());
    } catch (...) {
        FileCloseClick();
        throw;
    }
}

void TMainForm::FileCloseClick() {
    Timer->stop();
    PlayButton->setEnabled(false);
    FrequencyTrackBar->setEnabled(false);
    VolumeTrackBar->setEnabled(false);
    PanTrackBar->setEnabled(false);
}

void TMainForm::FileEndClick() {
    hide();
}

void TMainForm::Button1Click() {
    if (CurrentSlot >= 1)
        Bank.Stop(CurrentSlot);
    hide();
}

void TMainForm::PanTrackBarChange() {
    if (CurrentSlot >= 1)
        Bank.Stream(CurrentSlot).SetPan(PanTrackBar->Position() * 100);
}

void TMainForm::VolumeTrackBarChange() {
    if (CurrentSlot >= 1)
        Bank.Stream(CurrentSlot).SetVolume(VolumeTrackBar->Position() * 100);
}

void TMainForm::FrequencyTrackBarChange() {
    if (CurrentSlot >= 1)
        Bank.Stream(CurrentSlot).SetFrequency(FrequencyTrackBar->Position());
}

void TMainForm::PlayButtonClick() {
    if (CurrentSlot < 1)
        return;
    Bank.Restart(CurrentSlot);
    Timer->start();
}

void TMainForm::TimerTimer() {
    if (CurrentSlot < 1) {
        Timer->stop();
        return;
    }
    audio::AudioFileStream& stream = Bank.Stream(CurrentSlot);
    if (stream.Playing())
        return;
    stream.SetPosition(0);
    stream.Stop();
    PlayButton->setEnabled(true);
    Timer->stop();
}

void TMainForm::semitoneStep(int direction, QLabel* picture) {
    const int c = CurrentSlot;
    // 1.
    if (c < 1 || Bank.IsEmpty(c))
        return;
    // 2. The brighter twin beneath shows while the step is carried out.
    picture->hide();
    QCoreApplication::processEvents();
    // The picture comes back even when the preview below fails (a slot without sound).
    struct ShowAgain {
        QLabel* p;
        ~ShowAgain() { p->show(); }
    } showAgain{picture};
    // 3., 4.
    const int hz = *Bank.StepSemitones(c, direction);
    FrequencyTrackBar->SetPosition(hz);
    // 5.
    Bank.Restart(c);
    // 6.
    if (direction < 0)
        QCoreApplication::processEvents();
}

void TMainForm::Image1Click() {
    semitoneStep(-1, Image1);
}

void TMainForm::Image2Click() {
    semitoneStep(+1, Image2);
}

void TMainForm::GlobalFocusItemClick() {
    GlobalFocusItem->setChecked(!GlobalFocusItem->isChecked());
    DXSound.SetGlobalFocus(GlobalFocusItem->isChecked());
    // The current slot follows at once; the others when a file is next set into them.
    if (CurrentSlot >= 1)
        Bank.Stream(CurrentSlot).RecreateBuffer();
}

void TMainForm::ShowSlotSettings(int slot) {
    const audio::AudioFileStream& stream = Bank.Stream(slot);
    stream.CheckBuffer();
    PanTrackBar->SetPosition(static_cast<int>(nearInt(stream.Pan() * 0.01)));
    VolumeTrackBar->SetPosition(static_cast<int>(nearInt(stream.Volume() * 0.01)));
    FrequencyTrackBar->SetPosition(stream.Frequency());
}

std::string TMainForm::fileName(int slot) const {
    return Bank.FileName(slot);
}

void TMainForm::setFileName(int slot, const std::string& path) {
    Bank.SetFileName(slot, path);
}

int TMainForm::frequency(int slot) const {
    return Bank.Stream(slot).Frequency();
}

void TMainForm::setFrequency(int slot, int hz) {
    Bank.Stream(slot).SetFrequency(hz);
}

int TMainForm::pan(int slot) const {
    return Bank.Stream(slot).Pan();
}

void TMainForm::setPan(int slot, int pan) {
    Bank.Stream(slot).SetPan(pan);
}

int TMainForm::volume(int slot) const {
    return Bank.Stream(slot).Volume();
}

void TMainForm::setBasePitch(int slot, int hz) {
    Bank.SetBasePitch(slot, hz);
}

void TMainForm::restart(int slot) {
    Bank.Restart(slot);
}

void TMainForm::stop(int slot) {
    Bank.Stop(slot);
}

void TMainForm::setPickerCaption(int slot, const std::string& caption) {
    Bank.FileName(slot);  // raises for a slot number out of range
    TSamples* picker = windows().Samples;
    if (picker && slot <= static_cast<int>(picker->Buttons.size()))
        picker->Buttons[slot - 1]->setText(qtText(caption));
}

void TMainForm::enableImporterControls() {
    PlayButton->setEnabled(true);
    PanTrackBar->setEnabled(true);
    VolumeTrackBar->setEnabled(true);
    FrequencyTrackBar->setEnabled(true);
}

void TMainForm::setPitchBar(int hz) {
    FrequencyTrackBar->SetPosition(hz);
}

}  // namespace valdorin
