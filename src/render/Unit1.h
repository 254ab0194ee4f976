#pragma once
// The Render window: shows which instrument the renderer is adding, and runs the mixer.

#include <QWidget>

#include "platform/Dialogs.h"

class QLabel;

namespace valdorin {

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    QLabel* Label1;
    QLabel* Label2;

    // The mixer: asks for the output file and mixes the main window's compiled song, one pass
    // per instrument of its render instrument table, into it. Run by the render command.
    void Button1Click();

    // The save dialog the mixer shows for each render.
    static platform::FileDialogSpec SaveDialog();
    // How often, at most, the mixer lets window messages through, in milliseconds: often
    // enough for Stop and the progress to feel immediate, rarely enough to cost no speed.
    static constexpr int kMessageIntervalMs = 5;
};

}  // namespace valdorin
