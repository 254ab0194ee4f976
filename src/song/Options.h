#pragma once
// The Options window: the cell jump.

#include <QWidget>

namespace valdorin {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace valdorin
