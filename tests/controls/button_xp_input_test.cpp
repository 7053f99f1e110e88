#include "button_test_print.h"
#include "controls/button_xp.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace korimo;

namespace {

// Records where addresses go instead of opening them.
class LinkButton : public Button_XP {
public:
    QStringList shell;
    QStringList navigated;

protected:
    void ShellOpen(QWidget*, const QString& address) override { shell << address; }
    void NavigateTo(const QString& address) override { navigated << address; }
};

struct Harness {
    QWidget window;
    LinkButton* b = new LinkButton;
    Harness() {
        QCursor::setPos(5000, 5000);
        b->setParent(&window);
        b->setGeometry(10, 10, 60, 24);
        window.resize(200, 100);
        window.show();
    }
    void pointerOver() { QCursor::setPos(b->mapToGlobal(QPoint(5, 5))); }
    void pointerAway() { QCursor::setPos(b->mapToGlobal(QPoint(150, 80))); }
    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint pos,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        if (type == QEvent::MouseMove)
            held = m_held;
        QMouseEvent e(type, QPointF(pos), b->mapToGlobal(QPointF(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
        if (type == QEvent::MouseButtonPress)
            m_held = button;
        if (type == QEvent::MouseButtonRelease)
            m_held = Qt::NoButton;
        QApplication::sendEvent(b, &e);
    }
    void key(QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
             bool repeat = false) {
        QKeyEvent e(type, key, mods, key == Qt::Key_Space ? QStringLiteral(" ") : QString(),
                    repeat);
        QApplication::sendEvent(b, &e);
    }
    Qt::MouseButtons m_held;
};

} // namespace

TEST(ButtonXpInput, PressLeaveReturnReleaseClicksOnce) {
    Harness h;
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QSignalSpy ins(h.b, &Button_XP::MouseIn);
    QSignalSpy outs(h.b, &Button_XP::MouseOut);
    h.pointerOver();
    h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5});
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    EXPECT_TRUE(h.b->isPressed());
    EXPECT_TRUE(h.b->hoverTimerActive());

    h.pointerAway();
    h.mouse(QEvent::MouseMove, Qt::NoButton, {90, 40});
    h.b->OverTimer_Timer();
    EXPECT_EQ(outs.count(), 1);
    EXPECT_FALSE(h.b->hoverTimerActive());
    EXPECT_FALSE(h.b->isHovered());
    EXPECT_TRUE(h.b->isPressed()); // still armed, drawn released
    EXPECT_EQ(gdi::pixel(h.b->surface(), 30, 12), TranslateColor(kSysButtonFace));

    h.pointerOver();
    h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5});
    EXPECT_EQ(ins.count(), 2);
    EXPECT_EQ(gdi::pixel(h.b->surface(), 30, 12), RGBValue(205, 245, 255));
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(h.b->isPressed());
}

TEST(ButtonXpInput, ReleaseOutsideRaisesMouseUpButNoClick) {
    Harness h;
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QSignalSpy ups(h.b, &Button_XP::MouseUp);
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {60, 5}); // x == width is outside
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).toInt(), 1);
    EXPECT_FLOAT_EQ(ups.at(0).at(2).toFloat(), 60.0f);
    EXPECT_FALSE(h.b->isPressed());
}

TEST(ButtonXpInput, MouseButtons) {
    Harness h;
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QSignalSpy downs(h.b, &Button_XP::MouseDown);
    QSignalSpy ups(h.b, &Button_XP::MouseUp);

    h.mouse(QEvent::MouseButtonPress, Qt::RightButton, {5, 5}, Qt::ControlModifier);
    EXPECT_FALSE(h.b->isPressed());
    h.mouse(QEvent::MouseButtonRelease, Qt::RightButton, {5, 5});
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs.at(0).at(0).toInt(), 2);
    EXPECT_EQ(downs.at(0).at(1).toInt(), 2);
    EXPECT_EQ(ups.count(), 1);

    h.mouse(QEvent::MouseButtonPress, Qt::MiddleButton, {5, 5});
    EXPECT_TRUE(h.b->isPressed());
    h.mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, {5, 5});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(downs.at(1).at(0).toInt(), 4);
}

TEST(ButtonXpInput, DoubleClickClicksTwice) {
    Harness h;
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QSignalSpy downs(h.b, &Button_XP::MouseDown);
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {7, 8}, Qt::ShiftModifier);
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {7, 8});
    h.mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, {7, 8});
    EXPECT_TRUE(h.b->isPressed());
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {7, 8});
    EXPECT_EQ(clicks.count(), 2);
    ASSERT_EQ(downs.count(), 2);
    EXPECT_EQ(downs.at(1).at(1).toInt(), 1); // the first press's Shift again
}

TEST(ButtonXpInput, SpaceBarPressesOnceAndClicksOnRelease) {
    Harness h;
    h.b->setURL(QStringLiteral("https://example.org/"));
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QSignalSpy keyDowns(h.b, &Button_XP::KeyDown);
    QSignalSpy keyUps(h.b, &Button_XP::KeyUp);
    QSignalSpy ups(h.b, &Button_XP::MouseUp);
    QSignalSpy presses(h.b, &Button_XP::KeyPress);

    h.key(QEvent::KeyPress, Qt::Key_Space);
    EXPECT_TRUE(h.b->isPressed());
    EXPECT_TRUE(h.b->isHovered());
    // Auto-repeat: presses and repeated releases, the latter not real.
    for (int i = 0; i < 3; ++i) {
        h.key(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
        h.key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
    }
    EXPECT_EQ(keyDowns.count(), 4);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(presses.count(), 4);
    EXPECT_EQ(presses.at(0).at(0).toInt(), 32);

    h.key(QEvent::KeyRelease, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(h.b->navigated, QStringList{"https://example.org/"});
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).toInt(), 1);
    EXPECT_EQ(ups.at(0).at(1).toInt(), 1);
    EXPECT_FLOAT_EQ(ups.at(0).at(2).toFloat(), 0.0f);
    EXPECT_FLOAT_EQ(ups.at(0).at(3).toFloat(), 0.0f);
    ASSERT_EQ(keyUps.count(), 1);
    EXPECT_EQ(keyUps.at(0).at(0).toInt(), 32);
    EXPECT_FALSE(h.b->isPressed());
    EXPECT_FALSE(h.b->isHovered());
}

TEST(ButtonXpInput, ShiftHeldBeforeSpaceStillClicksWithoutThePressedLook) {
    Harness h;
    QSignalSpy clicks(h.b, &Button_XP::Click);
    h.key(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    h.key(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_FALSE(h.b->isPressed());
    h.key(QEvent::KeyRelease, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(clicks.count(), 1);
    // Any release ends the held run: the next space presses again.
    h.key(QEvent::KeyPress, Qt::Key_Space);
    EXPECT_TRUE(h.b->isPressed());
}

TEST(ButtonXpInput, SpaceReleaseLeavesTheButtonUnhoveredUntilTheNextMove) {
    Harness h;
    QSignalSpy ins(h.b, &Button_XP::MouseIn);
    QSignalSpy outs(h.b, &Button_XP::MouseOut);
    h.pointerOver();
    h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5});
    h.key(QEvent::KeyPress, Qt::Key_Space);
    h.key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_FALSE(h.b->isHovered());
    h.mouse(QEvent::MouseMove, Qt::NoButton, {6, 5});
    EXPECT_EQ(ins.count(), 2);
    EXPECT_EQ(outs.count(), 0);
}

TEST(ButtonXpInput, AccessKeyFromCaption) {
    struct Case {
        const char* caption;
        const char* keys;
    };
    const Case cases[] = {
        {"&Cancel", "c"}, {"Save && E&xit", "x"}, {"&&Save &Now", "n"},
        {"&&Save", ""},   {"End&", ""},           {"&", ""},
        {"&&&X", "x"},    {"No key", ""},         {"&&a &&b &C", ""},
        {"O&K", "k"},
    };
    Button_XP b;
    for (const Case& c : cases) {
        b.setCaption(QString::fromLatin1(c.caption));
        EXPECT_EQ(b.AccessKeys(), QString::fromLatin1(c.keys)) << c.caption;
    }
}

TEST(ButtonXpInput, AltAndTheAccessKeyClicksOnlyWhenEnabled) {
    Harness h;
    h.b->setCaption(QStringLiteral("&Cancel"));
    h.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
    QSignalSpy clicks(h.b, &Button_XP::Click);
    QTest::keyClick(&h.window, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(h.b->isPressed());
    h.b->setEnabled(false);
    QTest::keyClick(&h.window, Qt::Key_C, Qt::AltModifier);
    h.b->UserControl_AccessKeyPress('c');
    EXPECT_EQ(clicks.count(), 1);
}

TEST(ButtonXpInput, MouseOutCarriesTheShiftOfTheLastPress) {
    Harness h;
    QSignalSpy outs(h.b, &Button_XP::MouseOut);
    h.pointerOver();
    h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5}, Qt::ControlModifier);
    h.pointerAway();
    h.b->OverTimer_Timer();
    ASSERT_EQ(outs.count(), 1);
    EXPECT_EQ(outs.at(0).at(0).toInt(), 0); // no press yet

    h.pointerOver();
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5}, Qt::ShiftModifier);
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5}, Qt::AltModifier);
    h.pointerAway();
    h.b->OverTimer_Timer();
    ASSERT_EQ(outs.count(), 2);
    EXPECT_EQ(outs.at(1).at(0).toInt(), 1);
}

TEST(ButtonXpInput, HoverPollTreatsCutCornersAsOutside) {
    Harness h;
    h.b->setButtonStyle(3);
    QSignalSpy outs(h.b, &Button_XP::MouseOut);
    QCursor::setPos(h.b->mapToGlobal(QPoint(20, 10)));
    h.mouse(QEvent::MouseMove, Qt::NoButton, {20, 10});
    h.b->OverTimer_Timer();
    EXPECT_EQ(outs.count(), 0);
    QCursor::setPos(h.b->mapToGlobal(QPoint(0, 0)));
    h.b->OverTimer_Timer();
    EXPECT_EQ(outs.count(), 1);
}

TEST(ButtonXpInput, FocusLossReleasesThePress) {
    Harness h;
    h.b->UserControl_EnterFocus();
    EXPECT_TRUE(h.b->hasFocusFlag());
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    h.b->UserControl_ExitFocus();
    EXPECT_FALSE(h.b->isPressed());
    EXPECT_FALSE(h.b->hasFocusFlag());
}

TEST(ButtonXpInput, TinyButtonsGrowAndFocusRectFollowsTheSize) {
    Harness h;
    h.b->resize(5, 5);
    EXPECT_EQ(h.b->size(), QSize(10, 10)); // 150 twips
    h.b->resize(66, 4);
    EXPECT_EQ(h.b->size(), QSize(66, 10));
    h.b->resize(66, 32);
    EXPECT_EQ(h.b->focusRect(), (gdi::Rect{4, 4, 62, 28}));
}

TEST(ButtonXpInput, LinksGoByTheirOwnRoute) {
    Harness h;
    h.b->setURL(QStringLiteral("mailto:someone@example.org"));
    h.b->GoToURL();
    h.b->setURL(QStringLiteral("MAILTO:someone@example.org"));
    h.b->GoToURL();
    h.b->setURL(QString());
    h.b->GoToURL();
    EXPECT_EQ(h.b->shell, QStringList{"mailto:someone@example.org"});
    EXPECT_EQ(h.b->navigated, QStringList{"MAILTO:someone@example.org"});

    // A click opens the link once; a release outside opens nothing.
    h.b->setURL(QStringLiteral("https://example.org/"));
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {-1, 5});
    EXPECT_EQ(h.b->navigated.size(), 2);
}

TEST(ButtonXpInput, HandlersThatThrowStopAtTheButton) {
    Harness h;
    h.b->setURL(QStringLiteral("https://example.org/"));
    QSignalSpy ups(h.b, &Button_XP::MouseUp);
    QSignalSpy outs(h.b, &Button_XP::MouseOut);
    auto fail = [] { throw std::runtime_error("host handler failed"); };
    QObject::connect(h.b, &Button_XP::Click, fail);
    QObject::connect(h.b, &Button_XP::MouseIn, fail);
    QObject::connect(h.b, &Button_XP::MouseDown, fail);
    QObject::connect(h.b, &Button_XP::KeyUp, fail);

    h.pointerOver();
    EXPECT_NO_THROW(h.mouse(QEvent::MouseMove, Qt::NoButton, {5, 5}));
    EXPECT_NO_THROW(h.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {5, 5}));
    EXPECT_TRUE(h.b->isPressed());
    // The release goes on past the failed Click: the link opens and MouseUp follows.
    EXPECT_NO_THROW(h.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5}));
    EXPECT_EQ(h.b->navigated.size(), 1);
    EXPECT_EQ(ups.count(), 1);
    EXPECT_FALSE(h.b->isPressed());

    EXPECT_NO_THROW(h.key(QEvent::KeyPress, Qt::Key_Space));
    EXPECT_NO_THROW(h.key(QEvent::KeyRelease, Qt::Key_Space));
    EXPECT_EQ(h.b->navigated.size(), 2);
    EXPECT_EQ(ups.count(), 2);

    // The hover poll's own tick: it stops once it finds the pointer gone, whatever MouseOut does.
    QObject::connect(h.b, &Button_XP::MouseOut, fail);
    h.pointerAway();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return outs.count() > 0 && !h.b->hoverTimerActive(); }, 5000));
}

TEST(ButtonXpInput, AClickHandlerMayDeleteTheButton) {
    Harness h;
    QObject::connect(h.b, &Button_XP::Click, [&h] {
        delete h.b;
        h.b = nullptr;
    });
    h.b->setURL(QStringLiteral("https://example.org/"));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(15, 15), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(15, 15), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(h.b, &press);
    QApplication::sendEvent(h.b, &release);
    EXPECT_EQ(h.b, nullptr);
}
