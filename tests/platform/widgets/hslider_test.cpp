#include "widgets/hslider.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using korimo::HSlider;

TEST(HSlider, ArrowKeysStepByOneAndRaiseScroll) {
    HSlider s;
    s.resize(200, 21);
    s.setMax(100000); // positions are 32-bit
    s.setValue(40000);
    QSignalSpy scroll(&s, &HSlider::Scroll);
    QSignalSpy change(&s, &HSlider::Change);
    QTest::keyClick(&s, Qt::Key_Right);
    EXPECT_EQ(s.Value(), 40001);
    QTest::keyClick(&s, Qt::Key_Left);
    QTest::keyClick(&s, Qt::Key_Left);
    EXPECT_EQ(s.Value(), 39999);
    EXPECT_EQ(scroll.count(), 3);
    EXPECT_EQ(change.count(), 3);
}

TEST(HSlider, ProgramValuesAreClampedAndDoNotScroll) {
    HSlider s;
    s.setMax(10);
    QSignalSpy scroll(&s, &HSlider::Scroll);
    s.setValue(50);
    EXPECT_EQ(s.Value(), 10);
    s.setValue(-3);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(scroll.count(), 0);
    // A key at the end stays there without an event.
    QTest::keyClick(&s, Qt::Key_Left);
    EXPECT_EQ(scroll.count(), 0);
}

TEST(HSlider, SelectionBandKeepsNonNegativeValues) {
    HSlider s;
    s.setMax(100);
    s.setSelStart(20);
    s.setsellength(-5);
    EXPECT_EQ(s.SelStart(), 20);
    EXPECT_EQ(s.sellength(), 0);
    s.setsellength(30);
    EXPECT_EQ(s.sellength(), 30);
}

TEST(HSlider, MouseClickMovesTheValue) {
    HSlider s;
    s.resize(209, 21);
    s.setMax(200);
    QSignalSpy scroll(&s, &HSlider::Scroll);
    QTest::mouseClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(104, 10));
    EXPECT_NEAR(s.Value(), 100, 2);
    EXPECT_EQ(scroll.count(), 1);
}

#include "widgets/elastic.h"

TEST(Elastic, OffersTheSkinAsShownForTransparentControls) {
    korimo::Elastic skin;
    skin.resize(40, 20);
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(3, 1, qRgb(255, 0, 0));
    skin.setPicture(picture);
    const QImage shown = skin.property("Picture").value<QImage>();
    ASSERT_EQ(shown.size(), QSize(40, 20));
    EXPECT_EQ(shown.pixel(39, 19), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
}
