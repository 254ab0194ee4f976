// The Options window and the cell jump it sets.

#include "song/Options.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include "core/Windows.h"
#include "support/WindowsFixture.h"

namespace valdorin {
namespace {

using testing::WindowsFixture;

class Options : public WindowsFixture {
  protected:
    TForm2* form() { return windows().Form2; }
    void open() {
        seq->CellJump1->trigger();
        QCoreApplication::processEvents();
    }
    // Types the text into the spin edit as the user would, replacing what it showed.
    void enter(const char* text) {
        QLineEdit* edit = form()->SpinEdit1->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void ok() { QTest::mouseClick(form()->Button1, Qt::LeftButton); }
};

TEST_F(Options, IsHiddenAtStartUpAndTheMenuEntryShowsItOnTopNotModal) {
    EXPECT_FALSE(form()->isVisible());
    EXPECT_EQ(seq->CellJump, 0);
    open();
    EXPECT_TRUE(form()->isVisible());
    EXPECT_FALSE(form()->isModal());
    EXPECT_TRUE(form()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form()->windowTitle().toStdString(), "Options");
    EXPECT_EQ(form()->Label1->text().toStdString(), "Cell Jump");
    EXPECT_EQ(form()->Button1->text().toStdString(), "OK");
    EXPECT_EQ(form()->SpinEdit1->value(), 0);
    const QPoint centre = form()->screen()->availableGeometry().center();
    EXPECT_LE((form()->frameGeometry().center() - centre).manhattanLength(), 2);
}

TEST_F(Options, OkSetsTheCellJumpAndHides) {
    open();
    enter("4");
    ok();
    EXPECT_EQ(seq->CellJump, 4);
    EXPECT_FALSE(form()->isVisible());
    open();
    EXPECT_EQ(form()->SpinEdit1->value(), 4);  // kept between showings
}

TEST_F(Options, NegativeValuesAndNonNumbersBecomeZeroAndTheSpinEditShowsIt) {
    for (const char* text : {"-3", "-", ""}) {
        seq->CellJump = 7;
        open();
        enter(text);
        ok();
        EXPECT_EQ(seq->CellJump, 0) << text;
        EXPECT_EQ(form()->SpinEdit1->text().toStdString(), "0") << text;
        EXPECT_FALSE(form()->isVisible());
    }
}

TEST_F(Options, ClosingOtherwiseHidesAndChangesNothing) {
    seq->CellJump = 2;
    open();
    enter("9");
    form()->close();
    EXPECT_FALSE(form()->isVisible());
    EXPECT_EQ(seq->CellJump, 2);
    EXPECT_NE(windows().Form2, nullptr);
}

TEST_F(Options, ThereIsNoUpperBound) {
    open();
    enter("2147483647");
    ok();
    EXPECT_EQ(seq->CellJump, 2147483647);
}

}  // namespace
}  // namespace valdorin
