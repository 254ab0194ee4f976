#pragma once
// The kit maker: assembles a new drum kit from WAV files and saves it as a kit file.

#include <QWidget>

namespace valdorin {

class TMakit : public QWidget {
    Q_OBJECT
  public:
    explicit TMakit(QWidget* parent = nullptr);
    void FormCreate();
};

}  // namespace valdorin
