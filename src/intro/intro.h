#pragma once
// The intro screen: a borderless window that plays "Valdorin.avi" at start-up when present.

#include <QWidget>

namespace valdorin {

class TIntroScreen : public QWidget {
    Q_OBJECT
  public:
    explicit TIntroScreen(QWidget* parent = nullptr);
    void FormCreate();
};

}  // namespace valdorin
