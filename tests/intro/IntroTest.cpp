// The intro screen: shown only when "Valdorin.avi" is there, closed at the tenth tick or at
// once on a key or a click, never left on screen by a video that does not play.

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "intro/intro.h"
#include "support/EventLoop.h"
#include "support/WindowsFixture.h"

namespace valdorin::testing {
namespace {

using platform::ScriptedMediaPlayer;

// Notes every time the intro window is shown, from before the windows are made.
class ShowWatch : public QObject {
  public:
    int shown = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && dynamic_cast<TIntroScreen*>(watched))
            ++shown;
        return false;
    }
};

class Intro : public WindowsFixture {
  protected:
    bool startAtSetUp() const override { return false; }

    void SetUp() override {
        WindowsFixture::SetUp();
        qApp->installEventFilter(&watch);
        platform::setMediaPlayerMaker([this] {
            auto made = std::make_unique<ScriptedMediaPlayer>();
            made->openError = openError;
            player = made.get();
            return made;
        });
    }
    void TearDown() override {
        WindowsFixture::TearDown();
        qApp->removeEventFilter(&watch);
        platform::setMediaPlayerMaker({});
    }

    TIntroScreen* intro() const { return windows().IntroScreen; }
    void tick(int times) {
        for (int i = 0; i < times; ++i)
            intro()->Timer1Timer();
    }

    ShowWatch watch;
    ScriptedMediaPlayer* player = nullptr;
    std::string openError;
};

TEST_F(Intro, WithoutTheVideoItIsNeverShownAndStartUpGoesOn) {
    start();
    EXPECT_EQ(watch.shown, 0);
    EXPECT_FALSE(intro()->isVisible());
    EXPECT_TRUE(player->calls.empty());
    EXPECT_FALSE(intro()->Timer1->isActive());
    EXPECT_TRUE(seq->isVisible());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(Intro, ShowsCentredAndPlaysTheVideoInItsArea) {
    dir->write("Valdorin.avi", "video");
    start();
    ASSERT_TRUE(intro()->isVisible());
    EXPECT_EQ(intro()->size(), QSize(452, 231));
    EXPECT_EQ(intro()->frameGeometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    EXPECT_TRUE(intro()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(player->FileName, "Valdorin.avi");
    EXPECT_EQ(player->Display, intro()->OleContainer1);
    EXPECT_EQ(player->calls, (std::vector<std::string>{"open", "play"}));
    EXPECT_TRUE(intro()->Timer1->isActive());
    EXPECT_EQ(intro()->Timer1->interval(), 1000);
    EXPECT_EQ(intro()->TickCounter, 0);
    // Not modal: the main window stays usable.
    EXPECT_FALSE(intro()->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(seq->isEnabled());
    EXPECT_TRUE(dialogs.errors().empty());
}

TEST_F(Intro, TheVideoNameIsMatchedWhateverItsLetterCase) {
    dir->write("VALDORIN.AVI", "video");
    start();
    EXPECT_TRUE(intro()->isVisible());
    EXPECT_EQ(player->FileName, "VALDORIN.AVI");
}

TEST_F(Intro, ClosesAtTheTenthTickLeavingTheVideoPlaying) {
    dir->write("Valdorin.avi", "video");
    start();
    tick(9);
    EXPECT_TRUE(intro()->isVisible());
    tick(1);
    EXPECT_FALSE(intro()->isVisible());
    EXPECT_EQ(player->calls, (std::vector<std::string>{"open", "play"}));
    EXPECT_TRUE(player->Playing());
}

TEST_F(Intro, ClosesOnTheTimersOwnTicks) {
    dir->write("Valdorin.avi", "video");
    start();
    intro()->Timer1->setInterval(5);  // the same ten ticks, quicker
    EXPECT_TRUE(runUntil([&] { return !intro()->isVisible(); }));
    EXPECT_EQ(intro()->TickCounter, 10);
}

struct Dismissal {
    const char* name;
    std::function<void(QWidget*)> act;
};

TEST_F(Intro, AnyKeyOrClickOnTheVideoClosesItAtOnceAndStopsTheVideo) {
    const std::vector<Dismissal> cases = {
        {"space", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }},
        {"escape", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"letter", [](QWidget* w) { QTest::keyClick(w, Qt::Key_A); }},
        {"shift", [](QWidget* w) { QTest::keyPress(w, Qt::Key_Shift); }},
        {"left button", [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton); }},
        {"right button", [](QWidget* w) { QTest::mousePress(w, Qt::RightButton); }},
    };
    dir->write("Valdorin.avi", "video");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        tick(3);
        ASSERT_TRUE(intro()->isVisible());
        c.act(intro()->OleContainer1);
        EXPECT_FALSE(intro()->isVisible());
        EXPECT_EQ(player->calls, (std::vector<std::string>{"open", "play", "stop"}));
        EXPECT_FALSE(intro()->Timer1->isActive());
        destroyWindows();
    }
}

TEST_F(Intro, AVideoThatCannotBeOpenedIsReportedAndTheWindowCloses) {
    dir->write("Valdorin.avi", "video");
    openError = "Cannot open file Valdorin.avi";
    start();
    EXPECT_FALSE(intro()->isVisible());
    EXPECT_FALSE(intro()->Timer1->isActive());
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Cannot open file Valdorin.avi"});
    EXPECT_TRUE(seq->isVisible());
}

TEST_F(Intro, AVideoThatCannotBePlayedIsReportedAndTheWindowCloses) {
    dir->write("Valdorin.avi", "not a video");
    start();
    ASSERT_TRUE(intro()->isVisible());
    player->Fail("Could not demultiplex stream.");
    EXPECT_FALSE(intro()->isVisible());
    EXPECT_FALSE(intro()->Timer1->isActive());
    EXPECT_EQ(dialogs.errors(), std::vector<std::string>{"Could not demultiplex stream."});
}

TEST_F(Intro, AFailureAfterTheIntroClosedIsNotReported) {
    dir->write("Valdorin.avi", "video");
    start();
    tick(10);
    player->Fail("Internal data stream error.");
    EXPECT_TRUE(dialogs.errors().empty());
    EXPECT_FALSE(intro()->isVisible());
}

}  // namespace
}  // namespace valdorin::testing
