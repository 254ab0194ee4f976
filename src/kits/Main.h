#pragma once
// The sample importer window: owns the 32 sample slots, opens a WAV file into the current
// slot and sets its pan, volume and pitch. UI thread only.

#include <QMainWindow>

namespace valdorin {

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    void FormCreate();
};

}  // namespace valdorin
