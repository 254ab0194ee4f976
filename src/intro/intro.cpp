#include "intro/intro.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

namespace valdorin {

TVideoArea::TVideoArea(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

void TVideoArea::keyPressEvent(QKeyEvent*) {
    if (OnKeyDown)
        OnKeyDown();
}

void TVideoArea::mousePressEvent(QMouseEvent*) {
    if (OnMouseDown)
        OnMouseDown();
}

TIntroScreen::TIntroScreen(QWidget* parent) : QWidget(parent) {
    setWindowTitle("IntroScreen");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(452, 231);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setGeometry(0, 8, 453, 225);

    OleContainer1 = new TVideoArea(this);
    OleContainer1->setObjectName("OleContainer1");
    OleContainer1->setGeometry(8, 16, 436, 210);
    OleContainer1->OnKeyDown = [this] { OleContainer1KeyDown(); };
    OleContainer1->OnMouseDown = [this] { OleContainer1MouseDown(); };

    MediaPlayer1 = platform::createMediaPlayer();
    MediaPlayer1->OnError = [this](const std::string& message) { MediaPlayer1Error(message); };

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

TIntroScreen::~TIntroScreen() = default;

void TIntroScreen::FormCreate() {
    // Without the video the intro is skipped silently and the window is never seen.
    const auto video = fs::findCaseBlind(".", "Valdorin.avi");
    if (!video) {
        hide();
        close();
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    MediaPlayer1->FileName = fs::textFromPath(video->filename());
    MediaPlayer1->Display = OleContainer1;
    try {
        MediaPlayer1->Open();
        MediaPlayer1->Play();
    } catch (const std::exception& e) {
        // Nothing would ever dismiss a window whose video does not play.
        hide();
        close();
        platform::dialogs().error(e.what());
        return;
    }
    TickCounter = 0;
    Timer1->start();
    // Above the other windows and holding the keyboard, so that any key ends it.
    raise();
    activateWindow();
    OleContainer1->setFocus();
}

void TIntroScreen::Timer1Timer() {
    TickCounter = TickCounter + 1;
    if (TickCounter >= 10) {
        // The video is not stopped here: a longer one plays on unseen until it ends.
        Timer1->stop();
        hide();
        close();
    }
}

void TIntroScreen::OleContainer1KeyDown() {
    MediaPlayer1->Stop();
    Timer1->stop();
    hide();
    close();
}

void TIntroScreen::OleContainer1MouseDown() {
    MediaPlayer1->Stop();
    Timer1->stop();
    hide();
    close();
}

void TIntroScreen::MediaPlayer1Error(const std::string& message) {
    MediaPlayer1->Stop();
    // A failure of a video that already played its ten seconds unseen is nobody's concern.
    if (!isVisible())
        return;
    Timer1->stop();
    hide();
    close();
    platform::dialogs().error(message);
}

}  // namespace valdorin
