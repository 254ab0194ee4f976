#include "intro/intro.h"

#include "platform/FileSystem.h"

namespace valdorin {

TIntroScreen::TIntroScreen(QWidget* parent) : QWidget(parent) {
    setWindowTitle("IntroScreen");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    resize(452, 231);
}

void TIntroScreen::FormCreate() {
    // Without the video the intro is skipped silently and the window is never seen.
    if (!fs::findCaseBlind(".", "Valdorin.avi"))
        hide();
}

}  // namespace valdorin
