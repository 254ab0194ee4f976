#include "song/Options.h"

namespace valdorin {

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Options");
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    resize(180, 90);
}

}  // namespace valdorin
