#pragma once
// Window controls with the behaviour the program's windows expect of them, over Qt widgets.
//
// - A track bar's change command runs only when the user moves it; setting its position from
//   the program does not run it, and a position outside the range shows at the nearest end.
// - Edit boxes, drop-down lists and spin edits report every change of their text, by the user
//   or by the program (Qt's textChanged signals do exactly that).
// - A list box reports a mouse press after it has moved its selection.
// UI thread only.

#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

namespace valdorin::platform {

QString qtText(const std::string& text);  // program text (Windows-1252) to Qt
std::string programText(const QString& text);

class TTrackBar : public QSlider {
    Q_OBJECT
  public:
    TTrackBar(Qt::Orientation orientation, QWidget* parent);
    int Position() const { return value(); }
    // No change command runs.
    void SetPosition(int position);
    // The change command: run when the user moves the bar.
    std::function<void()> OnChange;

  private:
    bool settingFromProgram_ = false;
};

// A list box whose mouse press command runs after the press has moved the selection (a left
// press selects the item under the pointer; other buttons leave the selection alone).
class TListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit TListBox(QWidget* parent, bool checkable = false);
    std::function<void(Qt::MouseButton)> OnMouseDown;
    std::function<void()> OnDoubleClick;

    // Selected index, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string Item(int index) const;
    int Count() const { return count(); }
    void Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    bool Checked(int index) const;
    void SetChecked(int index, bool on);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    bool checkable_;
};

// A label that runs its click command on a left click (press and release on it), and carries a
// number that tells labels sharing one command apart.
class TLabel : public QLabel {
    Q_OBJECT
  public:
    TLabel(const QString& caption, QWidget* parent);
    int Tag = 0;
    std::function<void()> OnClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};

}  // namespace valdorin::platform
