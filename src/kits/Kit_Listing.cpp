#include "kits/Kit_Listing.h"

namespace valdorin {

TKit_List::TKit_List(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Kit List");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setGeometry(708, 0, 80, 400);
    setFixedSize(size());
}

void TKit_List::FormCreate() {
    setFixedWidth(80);
}

}  // namespace valdorin
