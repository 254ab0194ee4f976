#include "render/Unit1.h"

#include <QLabel>

namespace valdorin {

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setWindowTitle("Render");
    // No title-bar buttons: the user cannot close it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(313, 115);
    Label1 = new QLabel("Now Adding:", this);
    Label1->setGeometry(8, 32, 106, 22);
    QFont f("Times New Roman");
    f.setBold(true);
    f.setPixelSize(19);
    Label1->setFont(f);
    Label2 = new QLabel(this);
    Label2->setGeometry(136, 32, 170, 24);
    QFont g = font();
    g.setBold(true);
    g.setItalic(true);
    g.setPixelSize(19);
    Label2->setFont(g);
}

}  // namespace valdorin
