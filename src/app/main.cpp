// Valdorin: a drum machine and step sequencer. The program directory is the current directory
// at start-up; the program reads no command line.

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "core/Sequencer.h"
#include "core/Windows.h"

namespace {

// The window icon: a drum-grid square, drawn rather than shipped.
QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(40, 40, 48));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 2, 60, 60, 10, 10);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            const bool lit = (row * 5 + col * 3) % 4 == 0;
            p.setBrush(lit ? QColor(250, 190, 40) : QColor(110, 110, 124));
            p.drawRoundedRect(9 + col * 12, 9 + row * 12, 10, 10, 2, 2);
        }
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("valdorin");
    QApplication::setWindowIcon(programIcon());
    // Closing the main window ends the program, whatever other windows are still shown.
    QApplication::setQuitOnLastWindowClosed(false);

    valdorin::createWindows();
    QObject::connect(valdorin::windows().Sequence, &valdorin::TSequence::Closed, &app,
                     &QApplication::quit, Qt::QueuedConnection);
    const int result = QApplication::exec();
    valdorin::destroyWindows();
    return result;
}
