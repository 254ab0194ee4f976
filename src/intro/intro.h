#pragma once
// The intro screen: a borderless window that plays "Valdorin.avi" at start-up when present,
// for ten seconds or until a key or a click on the video.

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "platform/MediaPlayer.h"

class QFrame;
class QTimer;

namespace valdorin {

// The video area: the surface the video is shown on. Keys and mouse presses on it are the
// window's business.
class TVideoArea : public QWidget {
    Q_OBJECT
  public:
    explicit TVideoArea(QWidget* parent);
    std::function<void()> OnKeyDown;
    std::function<void()> OnMouseDown;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class TIntroScreen : public QWidget {
    Q_OBJECT
  public:
    explicit TIntroScreen(QWidget* parent = nullptr);
    ~TIntroScreen() override;

    QFrame* Panel1 = nullptr;
    TVideoArea* OleContainer1 = nullptr;
    std::unique_ptr<platform::MediaPlayer> MediaPlayer1;
    QTimer* Timer1 = nullptr;  // 1000 ms, disabled at creation

    // Seconds counted since the video started.
    int TickCounter = 0;

    void FormCreate();
    void Timer1Timer();
    void OleContainer1KeyDown();
    void OleContainer1MouseDown();
    // The player could not play the video.
    void MediaPlayer1Error(const std::string& message);
};

}  // namespace valdorin
