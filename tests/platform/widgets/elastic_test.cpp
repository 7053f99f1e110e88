#include "widgets/elastic.h"

#include "support/proportion.h"

#include <QApplication>
#include <gtest/gtest.h>

using korimo::Elastic;
using korimo::test::inProportion;

namespace {

// A 300 x 200 skin holding two controls that touch and a hidden one.
struct Skin {
    QWidget window;
    Elastic* skin = new Elastic(&window);
    QWidget* a = new QWidget(skin);
    QWidget* b = new QWidget(skin);
    QWidget* hidden = new QWidget(skin);
    const QRect designA{7, -1, 50, 20};
    const QRect designB{57, 19, 43, 21};
    const QRect designHidden{30, 150, 90, 60};
    explicit Skin(bool shown = true) {
        size({300, 200});
        a->setGeometry(designA);
        b->setGeometry(designB);
        hidden->setGeometry(designHidden);
        hidden->hide();
        window.setVisible(shown);
        QApplication::processEvents();
    }
    void size(QSize s) {
        window.resize(s);
        skin->resize(s);
        QApplication::processEvents();
    }
};

} // namespace

TEST(Elastic, HeldLayoutScalesEveryControlAndReturnsItToItsExactPlace) {
    Skin s;
    for (QSize to : {QSize(917, 613), QSize(150, 100), QSize(1280, 800), QSize(301, 199)}) {
        s.size(to);
        EXPECT_TRUE(inProportion(s.a->geometry(), s.designA, {300, 200}, to));
        EXPECT_TRUE(inProportion(s.hidden->geometry(), s.designHidden, {300, 200}, to));
        EXPECT_EQ(s.a->geometry().right() + 1, s.b->x());
        EXPECT_EQ(s.a->geometry().bottom() + 1, s.b->y());
    }
    s.size({300, 200});
    EXPECT_EQ(s.a->geometry(), s.designA);
    EXPECT_EQ(s.b->geometry(), s.designB);
    EXPECT_EQ(s.hidden->geometry(), s.designHidden);
    // A control its window moves while the skin is at its base takes that place as its design.
    s.a->move(20, 30);
    s.size({600, 400});
    EXPECT_EQ(s.a->geometry(), QRect(40, 60, 100, 40));
}

TEST(Elastic, ReleasedLayoutLeavesControlsAndItsSizeBecomesTheBase) {
    Skin s;
    s.skin->setLayoutMode(0);
    s.size({500, 400});
    EXPECT_EQ(s.a->geometry(), s.designA);
    EXPECT_EQ(s.b->geometry(), s.designB);
    s.skin->setLayoutMode(7);
    s.size({1000, 800});
    EXPECT_EQ(s.b->geometry(), QRect(114, 38, 86, 42));
    s.size({500, 400});
    EXPECT_EQ(s.b->geometry(), s.designB);
}

// A window fitted to a new picture while hidden gets its size change only when it is shown; by
// then the layout is held again and must not scale what the fit placed.
TEST(Elastic, FitWhileHiddenIsNotScaledWhenShown) {
    Skin s;
    s.window.hide();
    s.skin->setLayoutMode(0);
    s.size({700, 500});
    s.b->setGeometry(8, 8, 684, 484);
    s.skin->setLayoutMode(7);
    s.window.show();
    QApplication::processEvents();
    EXPECT_EQ(s.a->geometry(), s.designA);
    EXPECT_EQ(s.b->geometry(), QRect(8, 8, 684, 484));
}
