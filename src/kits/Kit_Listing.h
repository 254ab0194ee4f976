#pragma once
// The Kit List window: sixteen instrument names, always on top beside the main window; a click
// on one puts that instrument into the main window's instrument chooser and shows its pan on the
// Panning bar. UI thread only.

#include <QWidget>

#include <array>

namespace valdorin {

namespace platform {
class TLabel;
}

class TKit_List : public QWidget {
    Q_OBJECT
  public:
    explicit TKit_List(QWidget* parent = nullptr);
    void FormCreate();

    // Label1 .. Label16, tags 0 .. 15: the tag picks instrument list entry tag + 1.
    std::array<platform::TLabel*, 16> Labels{};

    // The click command of every label.
    void SelectInstrument(const platform::TLabel* sender);
};

}  // namespace valdorin
