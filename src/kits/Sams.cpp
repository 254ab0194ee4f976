#include "kits/Sams.h"

namespace valdorin {

TSamples::TSamples(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Samples");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    setGeometry(-1, 1, 115, 445);
}

void TSamples::FormCreate() {}

}  // namespace valdorin
