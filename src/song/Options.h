#pragma once
// The Options window: the cell jump, the rows the cursor moves down after a typed volume digit.
// Stays above the other windows, centred on the screen when first shown, not modal; closing it
// only hides it. UI thread only.

#include <QWidget>

class QLabel;
class QPushButton;
class QSpinBox;

namespace valdorin {

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;  // no bounds; keeps its value between showings
    QPushButton* Button1 = nullptr;

    // "OK": the main window's cell jump takes the spin edit's value (0 for a negative value or
    // a text that is no whole number, which the spin edit then shows too), and the window hides.
    void Button1Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool placed_ = false;
};

}  // namespace valdorin
