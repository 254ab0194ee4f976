#pragma once
// The Kit List window: sixteen instrument names that pick an instrument for the main window.

#include <QWidget>

namespace valdorin {

class TKit_List : public QWidget {
    Q_OBJECT
  public:
    explicit TKit_List(QWidget* parent = nullptr);
    void FormCreate();
};

}  // namespace valdorin
