#include "kits/Main.h"

namespace valdorin {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Sample1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    resize(245, 171);
}

void TMainForm::FormCreate() {}

}  // namespace valdorin
