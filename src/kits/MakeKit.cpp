#include "kits/MakeKit.h"

namespace valdorin {

TMakit::TMakit(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Maykit");
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    resize(278, 255);
}

void TMakit::FormCreate() {}

}  // namespace valdorin
