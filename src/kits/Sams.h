#pragma once
// The sample picker: a narrow always-on-top palette with one button per sample slot. A click
// makes that slot the main window's chosen instrument and opens the sample importer on it.
// UI thread only.

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;

namespace valdorin {

class TSamples : public QWidget {
    Q_OBJECT
  public:
    explicit TSamples(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* Label2 = nullptr;  // "Active Sample"
    QLabel* Label1 = nullptr;  // the number of the slot last selected or focused
    QScrollArea* SamPannel = nullptr;
    // Slot buttons 1 to 32 in slot order (index s - 1), and their number labels; made by
    // FormCreate, living as long as the window.
    std::vector<QPushButton*> Buttons;
    std::vector<QLabel*> NumberLabels;

    void Select_Sample(int slot);
    void Select_number(int slot);
};

}  // namespace valdorin
