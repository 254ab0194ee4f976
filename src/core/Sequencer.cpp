#include "core/Sequencer.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include <climits>
#include <filesystem>

#include "core/InstrumentList.h"
#include "core/Manual.h"
#include "core/PanFile.h"
#include "core/ProgramFiles.h"
#include "core/StringGrid.h"
#include "core/Tempo.h"
#include "core/Text.h"
#include "platform/Controls.h"
#include "platform/FileSystem.h"
#include "song/WorkHistory.h"

namespace valdorin {

using platform::qtText;

namespace {

QLabel* label(QWidget* parent, const char* text, int x, int y, bool bold = true) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(bold);
    l->setFont(f);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QToolButton* pictureButton(QWidget* parent, QRect place, QStyle::StandardPixmap picture,
                           const char* words = nullptr) {
    auto* b = new QToolButton(parent);
    b->setGeometry(place);
    if (picture != QStyle::SP_CustomBase)
        b->setIcon(parent->style()->standardIcon(picture));
    if (words) {
        b->setText(words);
        b->setToolButtonStyle(picture != QStyle::SP_CustomBase ? Qt::ToolButtonTextBesideIcon
                                                               : Qt::ToolButtonTextOnly);
    }
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QCheckBox* checkBox(QWidget* parent, int x, int y) {
    auto* c = new QCheckBox(parent);
    c->setGeometry(x, y, 16, 16);
    return c;
}

QLineEdit* editBox(QWidget* parent, QRect place, bool bold, const char* text = "") {
    auto* e = new QLineEdit(text, parent);
    e->setGeometry(place);
    QFont f = e->font();
    f.setBold(bold);
    e->setFont(f);
    return e;
}

}  // namespace

TSequence::TSequence(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(kCaption);
    setGeometry(114, 1, 594, 535);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    createControls();
    History = std::make_unique<WorkHistory>(*this);
    createMenu();
    DXWaveList1 = std::make_unique<audio::WaveList>(DXSound1, Kit);
    DXTimer1.OnTimer = [this] { platform::runCommand([this] { DXTimer1Timer(); }); };
    DXTimer2.OnTimer = [this] { platform::runCommand([this] { DXTimer2Timer(); }); };
    StringGrid1->setFocus();
    FormResize();
}

TSequence::~TSequence() = default;

void TSequence::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto run = [](auto&& command) { return [command] { platform::runCommand(command); }; };

    Image1 = new QLabel(client);
    Image1->setGeometry(0, 0, 586, 489);
    Image1->setScaledContents(false);
    Image3 = new QLabel(client);
    Image3->setGeometry(332, 10, 253, 47);
    Image3->setScaledContents(true);
    Image3->setText("<b><i>Valdorin</i></b>");
    Image3->setAlignment(Qt::AlignCenter);

    label(client, "Pattern Library", 8, 8);
    MusicLib = new platform::TListBox(client);
    MusicLib->setGeometry(4, 24, 101, 145);
    MusicLib->Add("<Blank>");
    MusicLib->OnDoubleClick = run([this] { MusicLibDblClick(); });
    LibBin = pictureButton(client, {108, 16, 25, 25}, QStyle::SP_TrashIcon);
    connect(LibBin, &QToolButton::clicked, this, run([this] { LibBinClick(); }));
    BitBtn1 = pictureButton(client, {112, 56, 37, 33}, QStyle::SP_ArrowRight);
    connect(BitBtn1, &QToolButton::clicked, this, run([this] { MusicLibDblClick(); }));
    BitBtn2 = pictureButton(client, {112, 88, 37, 33}, QStyle::SP_ArrowLeft);
    connect(BitBtn2, &QToolButton::clicked, this, run([this] { BitBtn2Click(); }));

    label(client, "Play List", 152, 8);
    SongList = new platform::TListBox(client, /*checkable=*/true);
    SongList->setGeometry(152, 24, 97, 145);
    SongList->OnMouseDown = [this](Qt::MouseButton b) {
        platform::runCommand([this, b] { SongListMouseDown(b); });
    };
    UpDown1Up = pictureButton(client, {252, 16, 16, 24}, QStyle::SP_ArrowUp);
    UpDown1Down = pictureButton(client, {252, 40, 16, 25}, QStyle::SP_ArrowDown);
    connect(UpDown1Up, &QToolButton::clicked, this, run([this] { UpDown1Click(true); }));
    connect(UpDown1Down, &QToolButton::clicked, this, run([this] { UpDown1Click(false); }));
    SongBin = pictureButton(client, {272, 16, 25, 25}, QStyle::SP_TrashIcon);
    connect(SongBin, &QToolButton::clicked, this, run([this] { SongBinClick(); }));
    Noend = checkBox(client, 268, 50);
    label(client, "Repeat", 284, 48, false);  // Label10
    Rendor = pictureButton(client, {252, 70, 73, 33}, QStyle::SP_DriveHDIcon, "Render");
    Rendor->setToolTip("Render to wave file");
    connect(Rendor, &QToolButton::clicked, this, run([this] { RendorClick(); }));
    BitBtn10 = pictureButton(client, {252, 104, 73, 33}, QStyle::SP_CustomBase, "Clear List");
    connect(BitBtn10, &QToolButton::clicked, this, run([this] { BitBtn10Click(); }));
    BitBtn12 = pictureButton(client, {252, 136, 73, 33}, QStyle::SP_MediaPlay, "Play List");
    connect(BitBtn12, &QToolButton::clicked, this, run([this] { BitBtn12Click(); }));

    label(client, "Instruments", 368, 56);
    BitBtn11 = pictureButton(client, {340, 71, 25, 24}, QStyle::SP_MediaVolume);
    connect(BitBtn11, &QToolButton::clicked, this, run([this] { BitBtn11Click(); }));
    ComboBox1 = new QComboBox(client);
    ComboBox1->setEditable(true);
    ComboBox1->setGeometry(368, 72, 93, 21);
    ComboBox1->setMaxVisibleItems(17);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& entry : instrumentList())
        ComboBox1->addItem(qtText(entry));
    ComboBox1->setEditText("");
    {
        QPalette p = ComboBox1->palette();
        p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
        p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
        ComboBox1->setPalette(p);
    }
    connect(ComboBox1, &QComboBox::editTextChanged, this, run([this] { ComboBox1Change(); }));

    label(client, "Panning", 376, 104);
    Panning = new platform::TTrackBar(Qt::Horizontal, client);
    Panning->setGeometry(336, 124, 125, 41);
    Panning->setRange(-2000, 2000);
    Panning->setTickInterval(100);
    Panning->setTickPosition(QSlider::TicksBothSides);
    Panning->setPageStep(1);
    Panning->SetPosition(0);
    Panning->OnChange = run([this] { PanningChange(); });

    label(client, "Song Title", 472, 56);
    Edit3 = editBox(client, {468, 72, 113, 17}, true);
    connect(Edit3, &QLineEdit::textChanged, this, run([this] { Edit3Change(); }));
    BitBtn8 = new QPushButton("Open", client);
    BitBtn8->setGeometry(472, 92, 41, 18);
    connect(BitBtn8, &QPushButton::clicked, this, run([this] { BitBtn8Click(); }));
    BitBtn9 = new QPushButton("Save", client);
    BitBtn9->setGeometry(512, 92, 41, 18);
    connect(BitBtn9, &QPushButton::clicked, this, run([this] { BitBtn9Click(); }));
    BitBtn3 = pictureButton(client, {472, 116, 49, 41}, QStyle::SP_MediaPlay);
    BitBtn3->setToolTip("Play Pattern");
    connect(BitBtn3, &QToolButton::clicked, this, run([this] { BitBtn3Click(); }));
    BitBtn4 = pictureButton(client, {528, 116, 49, 41}, QStyle::SP_MediaStop);
    connect(BitBtn4, &QToolButton::clicked, this, run([this] { BitBtn4Click(); }));
    endless = checkBox(client, 472, 158);
    label(client, "Repeat", 488, 156, false);  // Label3

    label(client, "Pattern Name", 0, 177, false);
    Edit2 = editBox(client, {0, 192, 141, 21}, true, "Name");
    {
        QFont ef = Edit2->font();
        ef.setPointSize(10);
        Edit2->setFont(ef);
    }
    connect(Edit2, &QLineEdit::textChanged, this, run([this] { Edit2Change(); }));
    label(client, "Length/beat", 148, 177, false);
    TimeBar = new QComboBox(client);
    for (const auto& t : timeSignatures())
        TimeBar->addItem(qtText(t));
    TimeBar->setEditable(true);
    TimeBar->setGeometry(148, 192, 57, 21);
    TimeBar->setInsertPolicy(QComboBox::NoInsert);
    TimeBar->setEditText("");
    connect(TimeBar, &QComboBox::editTextChanged, this, run([this] { TimeBarChange(); }));
    Edit4 = editBox(client, {208, 192, 41, 21}, true);
    Edit4->setEnabled(false);
    BitBtn13 = pictureButton(client, {250, 186, 73, 28}, QStyle::SP_BrowserReload, "Update");
    connect(BitBtn13, &QToolButton::clicked, this, run([this] { BitBtn13Click(); }));
    Edit5 = editBox(client, {324, 192, 45, 21}, true);
    Edit5->setEnabled(false);
    BitBtn6 = pictureButton(client, {371, 186, 73, 28}, QStyle::SP_CustomBase, "Save Pattern");
    connect(BitBtn6, &QToolButton::clicked, this, run([this] { BitBtn6Click(); }));
    BitBtn7 = pictureButton(client, {445, 186, 73, 28}, QStyle::SP_CustomBase, "Clear Pattern");
    connect(BitBtn7, &QToolButton::clicked, this, run([this] { BitBtn7Click(); }));

    StringGrid1 = new TStringGrid(Grid, client);
    StringGrid1->setGeometry(0, 216, 537, 273);
    StringGrid1->OnMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint) {
        platform::runCommand([this, b] { StringGrid1MouseUp(b); });
    };
    StringGrid1->OnKeyDown = [this](int key, Qt::KeyboardModifiers) {
        bool handled = false;
        platform::runCommand([&] { handled = StringGrid1KeyDown(key); });
        return handled;
    };
    StringGrid1->OnKeyPress = [this](char key) {
        platform::runCommand([this, key] { FormKeyPress(key); });
    };

    label(client, "Loops", 546, 193);
    Loop = new QSpinBox(client);
    Loop->setGeometry(542, 208, 37, 22);
    Loop->setRange(INT_MIN, INT_MAX);
    Loop->setValue(1);
    connect(Loop, &QSpinBox::textChanged, this, run([this] { LoopChange(); }));
    // The spin box reports only texts that are numbers; an emptied box must run the command
    // too. (A lone "-" is a number still being typed, as the spin box sees it.)
    connect(Loop->findChild<QLineEdit*>(), &QLineEdit::textChanged, this,
            [this](const QString& text) {
                if (text.isEmpty())
                    platform::runCommand([this] { LoopChange(); });
            });
    Delay = new platform::TTrackBar(Qt::Vertical, client);
    Delay->setGeometry(548, 232, 25, 201);
    Delay->setRange(1, 140);
    Delay->setInvertedAppearance(true);  // the lowest value at the top
    Delay->setInvertedControls(true);
    Delay->setTickInterval(1);
    Delay->setTickPosition(QSlider::TicksBelow);
    Delay->SetPosition(60);
    Delay->OnChange = run([this] { DelayChange(); });
    label(client, "BPM", 548, 432);
    Label6 = label(client, "80", 553, 444, false);
    Label6->resize(32, Label6->height());  // room for "7200"
    label(client, "Global", 544, 456);
    Global = checkBox(client, 554, 468);

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setGeometry(4, 0, 585, 9);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    OpenDialog1.filter = SaveDialog1.filter = "*.sng|*.sng";
    SaveDialog1.defaultExt = ".sng";
    OpenDialog2.filter = "dxg|*.dxg";
}

void TSequence::createMenu() {
    auto entry = [this](QMenu* menu, const char* caption, QKeySequence keys, auto handler) {
        QAction* a = menu->addAction(caption);
        if (!keys.isEmpty()) {
            a->setShortcut(keys);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        connect(a, &QAction::triggered, this, [handler] { platform::runCommand(handler); });
        return a;
    };
    QMenu* file = menuBar()->addMenu("File");
    New_Song = entry(file, "&New Song", QKeySequence("Ctrl+N"), [this] { New_SongClick(); });
    OpenSong1 = entry(file, "Open Song", QKeySequence("Ctrl+O"), [this] { BitBtn8Click(); });
    SaveSong1 = entry(file, "Save Song", QKeySequence("Ctrl+S"), [this] { BitBtn9Click(); });
    Exit1 = entry(file, "E&xit", QKeySequence("Ctrl+C"), [this] { Exit1Click(); });
    Render1 =
        entry(file, "Render song to wav file", QKeySequence("F11"), [this] { RendorClick(); });
    ExportMidi1 = entry(file, "Export song to MIDI file...", {}, [this] { ExportMidi1Click(); });

    QMenu* edit = menuBar()->addMenu("Edit");
    // Their texts name the command they undo or redo ("Undo Clear Pattern"); greyed when there
    // is none.
    Undo1 = History->Stack().createUndoAction(this, "Undo");
    Undo1->setShortcut(QKeySequence("Ctrl+Z"));
    Undo1->setShortcutContext(Qt::WindowShortcut);
    edit->addAction(Undo1);
    Redo1 = History->Stack().createRedoAction(this, "Redo");
    Redo1->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    Redo1->setShortcutContext(Qt::WindowShortcut);
    edit->addAction(Redo1);
    edit->addSeparator();
    ClearPattern1 = entry(edit, "Clear Pattern", {}, [this] { BitBtn7Click(); });
    edit->addSeparator();
    ClearList1 = entry(edit, "Clear List", {}, [this] { BitBtn10Click(); });
    edit->addSeparator();
    UpdateTime1 = entry(edit, "Update Time", {}, [this] { BitBtn13Click(); });
    Insertinstrument1 = entry(edit, "Insert instrument", QKeySequence(Qt::Key_Return),
                              [this] { Insertinstrument1Click(); });
    // Enter on the number pad runs it too.
    Insertinstrument1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    edit->addSeparator();
    KitList1 = entry(edit, "Kit List", {}, [this] { KitList1Click(); });
    KitMake = entry(edit, "Kit Maker", {}, [this] { KitMakeClick(); });

    QMenu* import = menuBar()->addMenu("Import");
    SoundLibrary1 = entry(import, "Drum Kit Library", {}, [this] { SoundLibrary1Click(); });

    QMenu* options = menuBar()->addMenu("&Options");
    CellJump1 = entry(options, "Cell Jump", QKeySequence("Ctrl+J"), [this] { CellJump1Click(); });

    QMenu* play = menuBar()->addMenu("Play");
    PlayPattern1 = entry(play, "Play Pattern", QKeySequence("F6"), [this] { BitBtn3Click(); });
    PlaySong1 = entry(play, "Play Song", QKeySequence("F5"), [this] { BitBtn12Click(); });
    play->addSeparator();
    Stop1 = entry(play, "&Stop", QKeySequence("F8"), [this] { BitBtn4Click(); });
    play->addSeparator();
    // Shows Ctrl+S like Save Song; the key runs Save Song, the first of the two in menu order,
    // so this entry carries the label only.
    PlayInstrument1 = entry(play, "Play Instrument\tCtrl+S", {}, [this] { BitBtn11Click(); });

    QMenu* help = menuBar()->addMenu("Help");
    HelpContents1 = entry(help, "Contents", {}, [this] { HelpContentsClick(); });
}

std::string TSequence::ChooserText() const {
    return platform::programText(ComboBox1->currentText());
}

void TSequence::SetChooserText(const std::string& text) {
    ComboBox1->setEditText(qtText(text));
}

void TSequence::FormCreate() {
    try {
        // 1. The default kit.
        kits::ReadKitFile(Kit, fs::resolveCaseBlind(kKitFileName));
        // 2.
        OutputSampleRate = 44200;
        OutputSampleBits = 16;
        InitialLength = 16;
        InitialBeatLength = 4;
        // 3.
        Grid.setRowCount(InitialLength + 2);
        Grid.setCell(1, 0, "Length:");
        Grid.setCell(2, 0, std::to_string(InitialLength));
        Grid.setCell(3, 0, "Time:");
        Grid.setCell(4, 0, std::to_string(InitialBeatLength));
        // 4.
        SavedGlobalTempo = Delay->Position();
        TempoRefresh();
        // 5.
        if (auto skin = fs::findCaseBlind(".", "VDSkin.bmp")) {
            Image1->setPixmap(QPixmap(QString::fromStdString(skin->string())));
            Image1->lower();
        }
        // 6.
        ProgramDirectory = fs::textFromPath(std::filesystem::current_path());
        // 7.
        for (const auto& file : fs::listWithExtension(".", ".pat"))
            AddToLibrary(fromUtf8(file.substr(0, file.size() - 4)));
        // 8.
        Loop->setValue(1);
        // 9.
        labelSteps(Grid, InitialBeatLength, Grid.rowCount() - 2);
        writeChannelHeaders(Grid);
        // 10.
        MusicPad = fs::readLines(fs::resolveCaseBlind(kPanFileName));
        // 11.
        DXSound1.Initialize();
        DXWaveList1->Prepare();
        if (audio::SoundDevice::OutputIsNull())
            statusBar()->showMessage("No sound output device: Valdorin plays silently.");
        // 12.
        for (int i = 1; i <= kKitInstruments; ++i) {
            const int pan = panFromLines(MusicPad, i);
            Kit.FindEntry(instrumentEntry(i)).Pan = pan;
            StartupPans[i - 1] = pan;
        }
        // 13.
        MusicPad.clear();
        // 14, 15. The blank sample files of the temp directory; failures are no error.
        const fs::Path temp = fs::pathFromText(ProgramDirectory) / kTempDirName;
        const auto blank = fs::findCaseBlind(fs::pathFromText(ProgramDirectory), kBlankWav);
        for (int i = 1; i <= 8; ++i)
            fs::removeFile(temp / ("sample" + std::to_string(i) + ".wav"));
        for (int i = 1; i <= 8; ++i)
            if (blank)
                fs::copyFile(*blank, temp / ("sample" + std::to_string(i) + ".wav"), false);
    } catch (const std::exception& e) {
        platform::dialogs().error(e.what());
    }
}

bool TSequence::FormClose() {
    MusicPad.clear();
    // Without a program directory start-up never read the kit or the pans: there is nothing to
    // save, and writing would replace the user's pan file with zeros.
    if (ProgramDirectory.empty())
        return true;
    Pans pans = StartupPans;
    for (int i = 1; i <= kKitInstruments; ++i) {
        // An instrument missing from the kit keeps the pan it was saved with.
        if (const auto* entry = Kit.TryFindEntry(instrumentEntry(i)))
            pans[i - 1] = entry->Pan;
    }
    MusicPad = panFileLines(pans);
    const fs::Path path = fs::pathFromText(ProgramDirectory) / kPanFileName;
    try {
        fs::writeLines(path, MusicPad);
    } catch (const std::exception& e) {
        MusicPad.clear();
        platform::dialogs().error(e.what());
        // A pan file that cannot be written must not keep the user in a program that can
        // never be quit.
        return platform::dialogs().askYesNo(
            "Question", "The pan settings could not be saved. Quit without saving them?");
    }
    MusicPad.clear();
    return true;
}

void TSequence::closeEvent(QCloseEvent* event) {
    if (FormClose()) {
        DXTimer1.SetEnabled(false);
        DXTimer2.SetEnabled(false);
        History->EndCleanly();
        event->accept();
        emit Closed();
    } else {
        event->ignore();
    }
}

void TSequence::FormResize() {
    if (height() < 540)
        resize(width(), 540);
    StringGrid1->resize(StringGrid1->width(), height() - StringGrid1->y() - 50);
}

void TSequence::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TSequence::Exit1Click() {
    close();
}

void TSequence::DXSound1Initialize() {
    DXSound1.SetPrimaryFormat(audio::WaveFormat::pcm(OutputSampleRate, 2, OutputSampleBits));
}

void TSequence::HelpContentsClick() {
    const std::filesystem::path binaryDir = QCoreApplication::applicationDirPath().toStdString();
    const auto manual = findManual(".", binaryDir);
    if (!manual) {
        platform::dialogs().error(manualMissingMessage(".", binaryDir));
        return;
    }
    const std::string path =
        fs::textFromPath(std::filesystem::absolute(*manual).lexically_normal());
    if (!platform::dialogs().openDocument(path))
        platform::dialogs().error("No program could be started to show the user manual " + path);
}

}  // namespace valdorin
