#include "controls/xpcheckbox.h"
#include "controls/xpglyphs.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace korimo;

namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void moveWith(QWidget* w, QPoint pos, Qt::MouseButtons buttons) {
    sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

void clickOn(QWidget* w, QPoint pos = QPoint(4, 4)) {
    sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

// A shown box the way the hosts place it: 255 x 255 twips on a window.
struct PlacedBox {
    QWidget host;
    xpcheckbox* box;
    PlacedBox() : box(new xpcheckbox(&host, QStringLiteral("check1"))) {
        host.resize(200, 100);
        box->setGeometry(twipsRect(360, 360, 255, 255));
        host.show();
        // Keep the pointer well away so the hover watch settles.
        QCursor::setPos(host.mapToGlobal(QPoint(190, 90)));
    }
    // The watch that runs from creation has had its first tick and stopped itself.
    bool settled() {
        return QTest::qWaitFor([this] { return !box->hoverWatchRunning(); }, 5000);
    }
};

} // namespace

TEST(XpCheckBox, ClickRaisesClickWithTheOldValueThenCycles) {
    PlacedBox b;
    std::vector<int> seenInHandler;
    QObject::connect(b.box, &xpcheckbox::Click, [&] { seenInHandler.push_back(b.box->Value()); });

    clickOn(b.box);
    EXPECT_EQ(b.box->Value(), 1);
    clickOn(b.box->glyphPart());
    EXPECT_EQ(b.box->Value(), 0);
    b.box->setValue(2);
    clickOn(b.box->captionPart(), QPoint(1, 1));
    EXPECT_EQ(b.box->Value(), 0) << "the third state clears, it does not tick";
    EXPECT_EQ(seenInHandler, (std::vector<int>{0, 1, 2}));
    // After the click the box shows the normal look of its new value.
    EXPECT_EQ(b.box->shownGlyph(), 0);
}

TEST(XpCheckBox, AClickHandlerThatThrowsStopsAtTheBox) {
    PlacedBox b;
    const auto failing = QObject::connect(b.box, &xpcheckbox::Click,
                                          [] { throw std::runtime_error("host handler failed"); });
    EXPECT_NO_THROW(clickOn(b.box));
    EXPECT_NO_THROW(clickOn(b.box->glyphPart()));
    QObject::disconnect(failing);
    const int before = b.box->Value();
    clickOn(b.box);
    EXPECT_EQ(b.box->Value(), 1 - before) << "the box still clicks afterwards";
}

TEST(XpCheckBox, WritingValueRaisesNoClickButNotifiesTheHost) {
    PlacedBox b;
    QSignalSpy clicks(b.box, &xpcheckbox::Click);
    QSignalSpy changed(b.box, &xpcheckbox::PropertyChanged);
    b.box->setValue(1);
    b.box->setValue(0);
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Value"));
}

TEST(XpCheckBox, UnknownValueIsKeptAndLeavesTheGlyph) {
    PlacedBox b;
    b.box->setValue(1);
    const QImage before = b.box->shownPicture();
    b.box->setValue(3);
    EXPECT_EQ(b.box->Value(), 3);
    EXPECT_EQ(b.box->shownPicture(), before);

    QSignalSpy clicks(b.box, &xpcheckbox::Click);
    clickOn(b.box);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b.box->Value(), 3);
    EXPECT_EQ(b.box->shownPicture(), before);
}

TEST(XpCheckBox, DisabledBoxShowsTheDisabledCellOfEachNewValue) {
    PlacedBox b;
    b.box->setEnabled(false);
    for (int v : {1, 2, 0}) {
        b.box->setValue(v);
        EXPECT_EQ(b.box->shownGlyph(), 4 * v + 3);
    }
    b.box->setEnabled(true);
    EXPECT_EQ(b.box->shownGlyph(), 0);
}

TEST(XpCheckBox, DisabledBoxIgnoresTheMouseOnItsGlyphAndCaption) {
    PlacedBox b;
    b.box->resize(150, b.box->height()); // wide enough to show the caption
    b.box->setEnabled(false);
    QSignalSpy clicks(b.box, &xpcheckbox::Click);
    QSignalSpy downs(b.box, &xpcheckbox::MouseDown);
    QSignalSpy moves(b.box, &xpcheckbox::MouseMove);
    // Through the window, as the pointer delivers them: to whichever part lies under it.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&b.host));
    for (QWidget* part : {b.box->glyphPart(), static_cast<QWidget*>(b.box->captionPart())}) {
        const QPoint at = part->mapTo(&b.host, QPoint(2, 2));
        QTest::mouseMove(b.host.windowHandle(), at);
        QTest::mouseClick(b.host.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    }
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(downs.count(), 0);
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(b.box->Value(), 0);
    EXPECT_EQ(b.box->shownGlyph(), 3);
}

TEST(XpCheckBox, PressAndMoveLooks) {
    PlacedBox b;
    b.box->setValue(1);
    moveWith(b.box, QPoint(5, 5), Qt::NoButton);
    EXPECT_EQ(b.box->shownGlyph(), 5);
    moveWith(b.box, QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(b.box->shownGlyph(), 6);
    // Both buttons down is not "the left button alone": hover, not pressed.
    moveWith(b.box, QPoint(5, 5), Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(b.box->shownGlyph(), 5);
    // Any button presses the glyph in; a release alone changes nothing.
    sendMouse(b.box, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(b.box->shownGlyph(), 6);
    sendMouse(b.box, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(b.box->shownGlyph(), 6);
    EXPECT_EQ(b.box->Value(), 1) << "only the left button clicks";
}

TEST(XpCheckBox, HoverWatchCountsTheRightAndBottomEdgeAsInside) {
    PlacedBox b;
    ASSERT_TRUE(b.settled());
    QSignalSpy outs(b.box, &xpcheckbox::MouseOut);
    moveWith(b.box, QPoint(3, 3), Qt::NoButton);
    ASSERT_EQ(b.box->shownGlyph(), 1);

    QCursor::setPos(b.box->mapToGlobal(QPoint(b.box->width(), b.box->height())));
    QTest::qWait(40);
    EXPECT_EQ(outs.count(), 0);
    EXPECT_TRUE(b.box->hoverWatchRunning());
    EXPECT_EQ(b.box->shownGlyph(), 1);

    QCursor::setPos(b.box->mapToGlobal(QPoint(b.box->width() + 1, b.box->height())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return outs.count() > 0; }, 5000));
    EXPECT_EQ(outs.count(), 1);
    EXPECT_FALSE(b.box->hoverWatchRunning());
    EXPECT_EQ(b.box->shownGlyph(), 0);
}

TEST(XpCheckBox, PressLeaveAndReleaseOutsideGivesNoClick) {
    PlacedBox b;
    ASSERT_TRUE(b.settled());
    QSignalSpy downs(b.box, &xpcheckbox::MouseDown);
    QSignalSpy clicks(b.box, &xpcheckbox::Click);
    QSignalSpy outs(b.box, &xpcheckbox::MouseOut);
    QSignalSpy moves(b.box, &xpcheckbox::MouseMove);
    sendMouse(b.box, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(b.box->shownGlyph(), 2);
    const QPoint away(b.box->width() + 20, 4);
    moveWith(b.box, away, Qt::LeftButton);
    sendMouse(b.box, QEvent::MouseButtonRelease, away, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(moves.count(), 0) << "moves outside the bounds raise nothing";
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(b.box->Value(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return outs.count() > 0; }, 5000));
    EXPECT_EQ(outs.count(), 1);
    EXPECT_EQ(b.box->shownGlyph(), 0);
    // Each move the held button still delivers restarts the watch, which reports again.
    moveWith(b.box, away, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return outs.count() > 1; }, 5000));
    EXPECT_EQ(outs.count(), 2);
}

TEST(XpCheckBox, KeysRaiseEventsAndChangeNothing) {
    PlacedBox b;
    QSignalSpy downs(b.box, &xpcheckbox::KeyDown);
    QSignalSpy presses(b.box, &xpcheckbox::KeyPress);
    QSignalSpy ups(b.box, &xpcheckbox::KeyUp);
    QSignalSpy clicks(b.box, &xpcheckbox::Click);
    QTest::keyClick(b.box, Qt::Key_Space);
    QTest::keyClick(b.box, Qt::Key_A);
    EXPECT_EQ(b.box->Value(), 0);
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 2);
    EXPECT_EQ(downs.at(1).at(0).toInt(), 65);
    ASSERT_EQ(presses.count(), 2);
    EXPECT_EQ(presses.at(0).at(0).toInt(), 32);
    EXPECT_EQ(presses.at(1).at(0).toInt(), 'a');
    EXPECT_EQ(ups.count(), 2);
}

TEST(XpCheckBox, LayoutCentresInTwips) {
    EXPECT_EQ(xpcheckbox::glyphTopTwips(200), -20);
    EXPECT_EQ(xpcheckbox::glyphTopTwips(255), 7);
    EXPECT_EQ(xpcheckbox::glyphTopTwips(495), 127);
    // The difference is rounded halves-to-even before halving toward zero.
    EXPECT_EQ(xpcheckbox::captionTopTwips(240.5, 0), 120);
    EXPECT_EQ(xpcheckbox::captionTopTwips(241.5, 0), 121);
    EXPECT_EQ(xpcheckbox::glyphTopTwips(237), -1);

    QWidget host;
    host.resize(300, 100);
    xpcheckbox box(&host);
    host.show();
    box.setGeometry(0, 0, 200, twipsToPixels(495));
    EXPECT_EQ(box.glyphPart()->geometry(), twipsRect(0, 127, 240, 240));
    box.resize(200, 13); // 195 twips: the glyph sticks out above
    EXPECT_LT(box.glyphPart()->y(), 0);
    EXPECT_EQ(box.captionPart()->x(), twipsToPixels(380));

    const int before = box.captionPart()->y();
    QFont big = box.captionPart()->font();
    big.setPointSize(30);
    box.captionPart()->setFont(big);
    box.setCaption(QStringLiteral("Bigger"));
    EXPECT_LT(box.captionPart()->y(), before) << "a taller caption is re-centred";
}

TEST(XpCheckBox, StoredPropertiesLoadAndSave) {
    QWidget host;
    xpcheckbox fresh(&host, QStringLiteral("AspectRatioBox"));
    fresh.InitProperties();
    EXPECT_EQ(fresh.Caption(), QStringLiteral("AspectRatioBox"));
    PropertyBag empty;
    fresh.WriteProperties(empty);
    EXPECT_TRUE(empty.keys().isEmpty()) << "defaults are left out";

    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Value"), 1, 0);
    bag.WriteProperty(QStringLiteral("Enabled"), false, true);
    bag.WriteProperty(QStringLiteral("Caption"), QStringLiteral(""), QStringLiteral("x"));
    xpcheckbox loaded(&host, QStringLiteral("check3"));
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.Value(), 1);
    EXPECT_FALSE(loaded.Enabled());
    EXPECT_EQ(loaded.shownGlyph(), 7) << "ends in the look that matches value and state";
    EXPECT_TRUE(loaded.Caption().isEmpty());

    PropertyBag out;
    loaded.WriteProperties(out);
    EXPECT_EQ(out.ReadProperty(QStringLiteral("Value")).toInt(), 1);
    EXPECT_FALSE(out.ReadProperty(QStringLiteral("Enabled"), true).toBool());
    EXPECT_TRUE(out.contains(QStringLiteral("Caption")));
    EXPECT_FALSE(out.contains(QStringLiteral("BackColor")));
}

TEST(XpCheckBox, StoredKeysMatchWhateverTheirCase) {
    QWidget host;
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("value"), 2);
    bag.WriteProperty(QStringLiteral("CAPTION"), QStringLiteral("Resample"));
    bag.WriteProperty(QStringLiteral("enabled"), false);
    xpcheckbox box(&host, QStringLiteral("ResampleBox"));
    box.ReadProperties(bag);
    EXPECT_EQ(box.Value(), 2);
    EXPECT_EQ(box.Caption(), QStringLiteral("Resample"));
    EXPECT_FALSE(box.Enabled());
    EXPECT_EQ(box.shownGlyph(), 11);
}

TEST(XpCheckBox, GlyphStripFollowsTheDescribedArtwork) {
    const QImage strip = checkBoxGlyphStrip();
    ASSERT_EQ(strip.size(), QSize(16, 192));
    EXPECT_EQ(strip.depth(), 24);
    auto px = [&](int cell, int x, int y) { return strip.pixelColor(x, 16 * cell + y); };
    auto count = [&](int cell, QColor c) {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                n += px(cell, x, y) == c;
        return n;
    };
    for (int cell = 0; cell < 12; ++cell) {
        const QColor frame = cell % 4 == 3 ? QColor(207, 207, 191) : QColor(31, 80, 128);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(px(cell, i, 0), frame) << "cell " << cell;
            EXPECT_EQ(px(cell, 15, i), frame) << "cell " << cell;
        }
    }
    EXPECT_EQ(px(1, 14, 14), QColor(255, 176, 48));
    EXPECT_EQ(count(4, QColor(32, 160, 32)), 21) << "a three-pixel mark over seven columns";
    EXPECT_EQ(count(8, QColor(160, 208, 160)), 100);
    EXPECT_EQ(count(11, QColor(207, 207, 191)), 60 + 100);
}
