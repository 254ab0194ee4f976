#pragma once
// The sample picker: a narrow always-on-top palette with one button per sample slot.

#include <QWidget>

namespace valdorin {

class TSamples : public QWidget {
    Q_OBJECT
public:
    explicit TSamples(QWidget* parent = nullptr);
    void FormCreate();
};

}  // namespace valdorin
