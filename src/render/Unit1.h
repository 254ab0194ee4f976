#pragma once
// The Render window: shows which instrument the renderer is adding.

#include <QWidget>

class QLabel;

namespace valdorin {

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    QLabel* Label1;
    QLabel* Label2;
};

}  // namespace valdorin
