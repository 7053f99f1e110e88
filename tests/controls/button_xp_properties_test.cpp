#include "button_test_print.h"
#include "controls/button_xp.h"

#include <QCursor>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace korimo;

namespace {

QImage solidImage(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QStringList announced(const QSignalSpy& spy) {
    QStringList names;
    for (const auto& args : spy)
        names << args.at(0).toString();
    return names;
}

} // namespace

TEST(ButtonXpProperties, VersionTextIsFixed) {
    Button_XP b;
    EXPECT_EQ(b.version(), QStringLiteral("030102-15"));
    QSignalSpy spy(&b, &Button_XP::PropertyChanged);
    b.setversion(QStringLiteral("999"));
    EXPECT_EQ(b.version(), QStringLiteral("030102-15"));
    EXPECT_EQ(spy.count(), 0);
}

TEST(ButtonXpProperties, NewButtonStoresOnlyValuesThatDifferFromWriteDefaults) {
    Button_XP b;
    b.setObjectName(QStringLiteral("Cmd1"));
    b.UserControl_InitProperties();
    EXPECT_EQ(b.Caption(), QStringLiteral("Cmd1"));
    EXPECT_EQ(b.MousePointer(), 99);
    PropertyBag bag;
    b.UserControl_WriteProperties(bag);
    QStringList keys = bag.keys();
    keys.sort();
    // The empty hover picture, the unset original size, pointer 99 and hover colour 0 differ from
    // their write defaults; "" sounds and the display-name caption do not.
    // The current picture of a new button stays none, so "Picture" is not among them.
    EXPECT_EQ(keys, (QStringList{"MousePointer", "OriginalPicSizeH", "OriginalPicSizeW",
                                 "PictureHover", "XPColor_Hover"}));
    EXPECT_EQ(bag.ReadProperty("XPColor_Hover").toInt(), 0);
}

TEST(ButtonXpProperties, MissingKeysReadTheirReadDefaults) {
    Button_XP b;
    b.setObjectName(QStringLiteral("Ok"));
    PropertyBag empty;
    b.UserControl_ReadProperties(empty);
    EXPECT_EQ(b.SoundOver().toString(), QStringLiteral(".\\resources\\over.wav"));
    EXPECT_EQ(b.SoundClick(), QStringLiteral(".\\resources\\click.wav"));
    EXPECT_EQ(b.XPColor_Hover(), kSys3DLight);
    EXPECT_EQ(b.XPColor_Pressed(), kSys3DHighlight);
    EXPECT_EQ(b.MousePointer(), 0);
    EXPECT_EQ(b.Caption(), QStringLiteral("Ok"));
    EXPECT_EQ(b.ButtonStyle(), 2);
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.picture().isNone());

    // A read default that differs from the write default does not survive a save: the empty
    // path is left out and comes back as the default path.
    b.setSoundOver(QString());
    PropertyBag saved;
    b.UserControl_WriteProperties(saved);
    EXPECT_FALSE(saved.contains("SoundOver"));
    Button_XP again;
    again.UserControl_ReadProperties(saved);
    EXPECT_EQ(again.SoundOver().toString(), QStringLiteral(".\\resources\\over.wav"));
}

TEST(ButtonXpProperties, EveryStoredPropertyRoundTrips) {
    Button_XP a;
    a.UserControl_InitProperties();
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(11);
    f.setBold(true);
    f.setItalic(true);
    a.setFont(f);
    a.setCaption(QStringLiteral("&Play"));
    a.setPicturePosition(3);
    a.setPictureSize(3);
    a.setPicture(Picture::fromBitmap(solidImage(12, 10, Qt::red)));
    a.setPictureWidth(20);
    a.setPictureHeight(18);
    a.setPictureHover(Picture::fromIcon(solidImage(5, 5, Qt::blue)));
    a.setEnabled(false);
    a.setMousePointer(11);
    a.setShowFocusRect(false);
    a.setURL(QStringLiteral("mailto:a@b.c"));
    a.setXPColor_Pressed(0x123456);
    a.setXPColor_Hover(0x654321);
    a.setXPDefaultColors(false);
    a.setBackColor(0x40);
    a.setForeColor(0xFFFFFF);
    a.setSoundOver(QStringLiteral("o.wav"));
    a.setSoundClick(QStringLiteral("c.wav"));
    a.setDefCurHand(true);
    a.setXPShowBorderAlways(true);
    a.setMaskColor(0xFF00FF);
    a.setTransparentBG(true);
    a.setBEVEL(3);
    a.setBEVELDEPTH(5);
    a.setButtonStyle(0);

    PropertyBag bag;
    a.UserControl_WriteProperties(bag);
    Button_XP b;
    b.UserControl_ReadProperties(bag);

    EXPECT_EQ(b.Caption(), a.Caption());
    EXPECT_EQ(b.AccessKeys(), QStringLiteral("p"));
    EXPECT_EQ(b.PicturePosition(), 3);
    EXPECT_EQ(b.ButtonStyle(), 0);
    EXPECT_EQ(b.picture(), a.picture());
    EXPECT_EQ(b.picture().type(), Picture::Bitmap);
    EXPECT_EQ(b.PictureWidth(), 20);
    EXPECT_EQ(b.PictureHeight(), 18);
    EXPECT_EQ(b.PictureSize(), 3);
    EXPECT_EQ(b.PictureHover().type(), Picture::Icon);
    EXPECT_FALSE(b.Enabled());
    EXPECT_EQ(b.Font().family(), f.family());
    EXPECT_TRUE(b.Font().bold());
    EXPECT_TRUE(b.Font().italic());
    EXPECT_DOUBLE_EQ(b.Font().pointSizeF(), 11.0);
    EXPECT_EQ(b.MousePointer(), 11);
    EXPECT_FALSE(b.ShowFocusRect());
    EXPECT_EQ(b.URL(), a.URL());
    EXPECT_EQ(b.XPColor_Pressed(), 0x123456);
    EXPECT_EQ(b.XPColor_Hover(), 0x654321);
    EXPECT_FALSE(b.XPDefaultColors());
    EXPECT_EQ(b.BackColor(), 0x40);
    EXPECT_EQ(b.ForeColor(), 0xFFFFFF);
    EXPECT_EQ(b.SoundOver().toString(), QStringLiteral("o.wav"));
    EXPECT_EQ(b.SoundClick(), QStringLiteral("c.wav"));
    EXPECT_TRUE(b.DefCurHand());
    EXPECT_TRUE(b.XPShowBorderAlways());
    EXPECT_EQ(b.MaskColor(), 0xFF00FF);
    EXPECT_TRUE(b.TransparentBG());
    EXPECT_EQ(b.BEVEL(), 3);
    EXPECT_EQ(b.BEVELDEPTH(), 5);

    // Writing the loaded button again gives the same bag.
    PropertyBag again;
    b.UserControl_WriteProperties(again);
    EXPECT_EQ(again.keys(), bag.keys());
}

TEST(ButtonXpProperties, PictureSizeRules) {
    Button_XP b;
    b.setPictureSize(2);
    EXPECT_EQ(b.PictureWidth(), 32);
    EXPECT_EQ(b.PictureHeight(), 32);

    b.setPicture(Picture::fromBitmap(solidImage(7, 8, Qt::green)));
    EXPECT_EQ(b.PictureWidth(), 7);
    EXPECT_EQ(b.PictureHeight(), 8);

    b.setPictureSize(0);
    EXPECT_EQ(b.PictureWidth(), 16);
    EXPECT_EQ(b.PictureHeight(), 16);
    b.setPictureSize(2);
    EXPECT_EQ(b.PictureWidth(), 7);
    b.setPictureWidth(40);
    b.setPictureHeight(41);
    b.setPictureSize(3);
    EXPECT_EQ(b.PictureWidth(), 40);
    EXPECT_EQ(b.PictureHeight(), 41);

    // Clearing the picture under the own-size rule falls back to 32 x 32 instead of failing.
    b.setPictureSize(2);
    b.setPicture(Picture());
    EXPECT_TRUE(b.picture().isNone());
    EXPECT_EQ(b.PictureWidth(), 32);
    EXPECT_EQ(b.PictureHeight(), 32);
}

TEST(ButtonXpProperties, StyleThreeTurnsTransparentBackgroundOff) {
    Button_XP b;
    b.setTransparentBG(true);
    QSignalSpy spy(&b, &Button_XP::PropertyChanged);
    b.setButtonStyle(2);
    EXPECT_TRUE(b.TransparentBG());
    EXPECT_EQ(announced(spy), QStringList{"ButtonStyle"});
    spy.clear();
    b.setButtonStyle(3);
    EXPECT_FALSE(b.TransparentBG());
    EXPECT_EQ(announced(spy), (QStringList{"ButtonStyle", "TransparentBG"}));
    EXPECT_FALSE(b.mask().isEmpty());
}

TEST(ButtonXpProperties, ColoursAndBooleansReadInTheFormsHostsWriteThem) {
    PropertyBag bag;
    bag.WriteProperty("BackColor", 0x80000005u);
    bag.WriteProperty("ForeColor", QStringLiteral("255"));
    bag.WriteProperty("XPDefaultColors", QStringLiteral("False"));
    bag.WriteProperty("Enabled", QStringLiteral("nonsense"));
    bag.WriteProperty("PictureWidth", QStringLiteral("wide"));
    Button_XP b;
    b.UserControl_ReadProperties(bag);
    EXPECT_EQ(b.BackColor(), kSysWindow);
    EXPECT_EQ(b.ForeColor(), 255);
    EXPECT_FALSE(b.XPDefaultColors());
    EXPECT_TRUE(b.Enabled());
    EXPECT_EQ(b.PictureWidth(), 32);
}

TEST(ButtonXpProperties, ReadingStyleThreeKeepsStoredTransparentBackground) {
    PropertyBag bag;
    bag.WriteProperty("ButtonStyle", 3, 2);
    bag.WriteProperty("TransparentBG", true, false);
    Button_XP b;
    b.UserControl_ReadProperties(bag);
    EXPECT_EQ(b.ButtonStyle(), 3);
    EXPECT_TRUE(b.TransparentBG());
    EXPECT_FALSE(b.mask().isEmpty());
}

TEST(ButtonXpProperties, ColourSettersWaitForTheNextRepaint) {
    Button_XP b;
    b.resize(40, 20);
    b.setButtonStyle(2);
    b.show();
    QCursor::setPos(b.mapToGlobal(QPoint(5, 5)));
    b.UserControl_MouseMove(0, 0, 5, 5);
    ASSERT_TRUE(b.isHovered());
    const QImage before = b.surface().copy();
    b.setXPColor_Hover(RGBValue(255, 0, 0));
    b.setXPDefaultColors(false);
    EXPECT_EQ(b.surface(), before);
    b.Refresh();
    EXPECT_EQ(b.surface().pixelColor(10, 10), QColor(255, 0, 0));
}

TEST(ButtonXpProperties, FontSetCopiesAttributesAndRepaints) {
    Button_XP b;
    QSignalSpy spy(&b, &Button_XP::PropertyChanged);
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPointSize(14);
    f.setUnderline(true);
    f.setStrikeOut(true);
    b.setFont(f);
    EXPECT_EQ(announced(spy), QStringList{"Font"});
    EXPECT_EQ(b.Font().family(), f.family());
    EXPECT_EQ(b.Font().pointSize(), 14);
    EXPECT_TRUE(b.Font().underline());
    EXPECT_TRUE(b.Font().strikeOut());
    // The change notification hands the font to the drawing surface.
    EXPECT_EQ(b.QWidget::font().family(), f.family());
    EXPECT_TRUE(b.QWidget::font().strikeOut());
}

TEST(ButtonXpProperties, MousePointerOutOfRangeChangesNothing) {
    Button_XP b;
    b.setMousePointer(13);
    EXPECT_THROW(b.setMousePointer(40000), std::overflow_error);
    EXPECT_EQ(b.MousePointer(), 13);
    EXPECT_EQ(b.cursor().shape(), Qt::BusyCursor);
}

TEST(ButtonXpProperties, PictureGetFollowsTheHoverPicture) {
    Button_XP b;
    b.resize(40, 20);
    b.show();
    const Picture normal = Picture::fromBitmap(solidImage(4, 4, Qt::red));
    const Picture hover = Picture::fromBitmap(solidImage(4, 4, Qt::blue));
    b.setPicture(normal);
    b.setPictureHover(hover);
    QCursor::setPos(b.mapToGlobal(QPoint(3, 3)));
    b.UserControl_MouseMove(0, 0, 3, 3);
    EXPECT_EQ(b.picture(), hover);
    QCursor::setPos(b.mapToGlobal(QPoint(300, 300)));
    b.OverTimer_Timer();
    EXPECT_EQ(b.picture(), normal);
}
