#include "controls/button_xp.h"
#include "controls/button_xpcolors.h"

#include <QCursor>
#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

const std::uint32_t kHighlight = TranslateColor(kSys3DHighlight);
const std::uint32_t kShadow = TranslateColor(kSysButtonShadow);
const std::uint32_t kDark = TranslateColor(kSys3DDarkShadow);

std::uint32_t px(const Button_XP& b, int x, int y) {
    return gdi::pixel(b.surface(), x, y);
}

// A shown button of the given style and size, the pointer parked far away from it.
void setUp(Button_XP& b, int style, int w, int h) {
    QCursor::setPos(5000, 5000);
    b.setCaption(QString());
    b.setButtonStyle(style);
    b.resize(w, h);
    b.show();
    b.Refresh();
}

// The pointer really goes over the button, so a hover poll that ticks meanwhile keeps the hover.
void hover(Button_XP& b) {
    QCursor::setPos(b.mapToGlobal(QPoint(2, 2)));
    b.UserControl_MouseMove(0, 0, 2, 2);
}

QImage squareOn(int size, QColor ground, QColor centre, int inset) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(ground);
    for (int y = inset; y < size - inset; ++y)
        for (int x = inset; x < size - inset; ++x)
            img.setPixelColor(x, y, centre);
    return img;
}

} // namespace

TEST(ButtonXpColours, ShiftColorMovesBlueByItsOwnShare) {
    EXPECT_EQ(ShiftColor(RGBValue(200, 100, 50), 48), RGBValue(248, 148, 62));
    EXPECT_EQ(ShiftColor(RGBValue(200, 100, 50), -24), RGBValue(176, 76, 44));
    EXPECT_EQ(ShiftColor(RGBValue(250, 250, 250), 48), RGBValue(255, 255, 255));
    EXPECT_EQ(ShiftColor(RGBValue(10, 10, 10), -48), RGBValue(0, 0, 8));
    const RGBParts p = SplitRGB(RGBValue(1, 2, 3));
    EXPECT_EQ(p.R, 1);
    EXPECT_EQ(p.G, 2);
    EXPECT_EQ(p.B, 3);
    EXPECT_EQ(RGBClamped(300, -5, 255), RGBValue(255, 0, 255));
}

TEST(ButtonXpFaces, StyleTwoHoverAndPressedFacesFromTheHighlight) {
    Button_XP b;
    setUp(b, 2, 40, 20);
    EXPECT_EQ(px(b, 20, 10), TranslateColor(kSysButtonFace));
    EXPECT_EQ(px(b, 0, 0), TranslateColor(kSysButtonFace)); // no frame at rest
    hover(b);
    EXPECT_EQ(px(b, 20, 10), RGBValue(220, 255, 255));
    EXPECT_EQ(px(b, 0, 10), TranslateColor(kSysButtonText)); // the frame in ForeColor
    b.UserControl_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(px(b, 20, 10), RGBValue(205, 245, 255));

    b.setXPDefaultColors(false);
    b.setXPColor_Pressed(RGBValue(1, 2, 3));
    b.Refresh();
    EXPECT_EQ(px(b, 20, 10), RGBValue(1, 2, 3));
}

TEST(ButtonXpFaces, StyleZeroRaisedAtRestSunkenWhilePressed) {
    Button_XP b;
    setUp(b, 0, 40, 20);
    EXPECT_EQ(px(b, 0, 10), kHighlight);
    EXPECT_EQ(px(b, 20, 0), kHighlight);
    EXPECT_EQ(px(b, 39, 0), kHighlight);
    EXPECT_EQ(px(b, 39, 10), kShadow);
    EXPECT_EQ(px(b, 20, 19), kShadow);
    EXPECT_EQ(px(b, 0, 19), kHighlight);

    b.UserControl_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(px(b, 0, 10), kShadow);
    EXPECT_EQ(px(b, 20, 0), kShadow);
    EXPECT_EQ(px(b, 39, 10), kHighlight);
    EXPECT_EQ(px(b, 20, 19), kHighlight);

    // Disabled changes nothing in the border of this style.
    b.UserControl_MouseUp(1, 0, 100, 100);
    b.setEnabled(false);
    EXPECT_EQ(px(b, 0, 10), kHighlight);
    EXPECT_EQ(px(b, 39, 10), kShadow);
}

TEST(ButtonXpFaces, DefaultButtonFrameDrawsOverTheSunkenBorder) {
    Button_XP b;
    setUp(b, 0, 40, 20);
    b.setDefault(true);
    b.UserControl_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(px(b, 0, 10), kHighlight);
    EXPECT_EQ(px(b, 38, 10), kShadow);
    EXPECT_EQ(px(b, 20, 18), kShadow);
    EXPECT_EQ(px(b, 39, 10), kHighlight); // the sunken right column stays
}

TEST(ButtonXpFaces, BevelTwoWithDepthEight) {
    Button_XP b;
    setUp(b, 0, 40, 20);
    const std::uint32_t c0 = RGBValue(100, 120, 140);
    b.setBackColor(static_cast<OleColor>(c0));
    b.setBEVEL(2);
    b.setBEVELDEPTH(8);
    const std::uint32_t d1 = ShiftColor(c0, -8);
    const std::uint32_t d2 = ShiftColor(d1, -8);
    const std::uint32_t d3 = ShiftColor(d2, -8);
    // Frames darken outward on the right and bottom.
    EXPECT_EQ(px(b, 37, 10), d1);
    EXPECT_EQ(px(b, 38, 10), d2);
    EXPECT_EQ(px(b, 39, 10), d3);
    EXPECT_EQ(px(b, 20, 19), d3);
    // The top and left lines lighten outward, each one stopping short of its end point.
    EXPECT_EQ(px(b, 20, 2), RGBValue(108, 128, 148));
    EXPECT_EQ(px(b, 20, 1), RGBValue(116, 136, 156));
    EXPECT_EQ(px(b, 20, 0), RGBValue(124, 144, 164));
    EXPECT_EQ(px(b, 0, 10), RGBValue(124, 144, 164));
    EXPECT_EQ(px(b, 39, 0), d3);
    EXPECT_EQ(px(b, 0, 19), d3);
    EXPECT_EQ(px(b, 20, 10), c0);

    // Pressed, the roles swap: frames lighten outward, lines darken.
    b.UserControl_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(px(b, 39, 10), RGBValue(124, 144, 164));
    EXPECT_EQ(px(b, 20, 0), d3);
}

TEST(ButtonXpFaces, StyleOneShowsNoBorderUntilHoveredButItsFocusFrame) {
    Button_XP b;
    setUp(b, 1, 40, 20);
    const std::uint32_t face = TranslateColor(kSysButtonFace);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(px(b, x, 0), face);
        EXPECT_EQ(px(b, x, 19), face);
    }
    b.UserControl_EnterFocus();
    EXPECT_EQ(px(b, 0, 10), face);
    EXPECT_EQ(px(b, 4, 4), face ^ 0xFFFFFFu); // the dotted focus frame
    b.setShowFocusRect(false);
    EXPECT_EQ(px(b, 4, 4), face);
    hover(b);
    EXPECT_EQ(px(b, 0, 10), kHighlight);
    EXPECT_EQ(px(b, 39, 10), kShadow);
}

TEST(ButtonXpFaces, DesignModeStyleTwoHasNoFrame) {
    Button_XP b;
    setUp(b, 2, 40, 20);
    b.setXPShowBorderAlways(true);
    EXPECT_EQ(px(b, 0, 10), TranslateColor(kSysButtonFace)); // shown from the next repaint
    b.Refresh();
    EXPECT_EQ(px(b, 0, 10), TranslateColor(kSysButtonText));
    b.setAmbientUserMode(false);
    EXPECT_EQ(px(b, 0, 10), TranslateColor(kSysButtonFace));
}

TEST(ButtonXpFaces, StyleThreeGradientRows) {
    Button_XP b;
    setUp(b, 3, 60, 21);
    const std::uint32_t base = ShiftColor(TranslateColor(kSysButtonFace), 48);
    // 25 / 21 per row, rounded half to even: row 4 is 4.76, row 10 is 11.9, row 16 is 19.05.
    EXPECT_EQ(px(b, 30, 4), ShiftColor(base, -5));
    EXPECT_EQ(px(b, 30, 10), ShiftColor(base, -12));
    EXPECT_EQ(px(b, 30, 16), ShiftColor(base, -19));
    EXPECT_EQ(px(b, 0, 10), kDark);
    EXPECT_EQ(px(b, 1, 1), kDark);
    EXPECT_EQ(px(b, 58, 19), kDark);
    // Unfocused inner lines.
    EXPECT_EQ(px(b, 30, 19), ShiftColor(base, -48));
    EXPECT_EQ(px(b, 30, 1), ShiftColor(base, 16));
    EXPECT_EQ(px(b, 1, 10), ShiftColor(base, -5));
    EXPECT_EQ(px(b, 57, 10), ShiftColor(base, -24));
}

TEST(ButtonXpFaces, StyleThreeOutlineCutsThreePixelsAtEachCorner) {
    Button_XP b;
    setUp(b, 3, 40, 20);
    const QRegion m = b.mask();
    for (QPoint out : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(38, 0), QPoint(39, 1),
                       QPoint(0, 18), QPoint(1, 19), QPoint(39, 19), QPoint(39, 18)})
        EXPECT_FALSE(m.contains(out)) << out.x() << "," << out.y();
    for (QPoint in : {QPoint(2, 0), QPoint(0, 2), QPoint(37, 19), QPoint(1, 1), QPoint(20, 10)})
        EXPECT_TRUE(m.contains(in)) << in.x() << "," << in.y();
    // Leaving style 3 keeps the outline.
    b.setButtonStyle(2);
    EXPECT_FALSE(b.mask().contains(QPoint(0, 0)));
}

TEST(ButtonXpFaces, StyleThreeFocusHoverAndPressedRims) {
    Button_XP b;
    setUp(b, 3, 60, 24);
    b.UserControl_EnterFocus();
    const std::uint32_t focus = RGBValue(140, 170, 230);
    EXPECT_EQ(px(b, 1, 10), focus);
    EXPECT_EQ(px(b, 30, 1), ShiftColor(focus, 65));
    EXPECT_EQ(px(b, 2, 10), ShiftColor(focus, 31));
    EXPECT_EQ(px(b, 4, 4), px(b, 5, 4)); // no dotted focus frame on this style

    hover(b);
    const std::uint32_t rim = RGBValue(225, 153, 71);
    EXPECT_EQ(px(b, 1, 10), rim);
    EXPECT_EQ(px(b, 58, 10), rim);
    EXPECT_EQ(px(b, 30, 1), ShiftColor(rim, 90));
    EXPECT_EQ(px(b, 30, 2), ShiftColor(rim, 35));
    EXPECT_EQ(px(b, 2, 10), ShiftColor(rim, 20));
    EXPECT_EQ(px(b, 30, 22), ShiftColor(rim, -40));

    b.UserControl_MouseDown(1, 0, 3, 3);
    const std::uint32_t base = ShiftColor(ShiftColor(TranslateColor(kSysButtonFace), 48), -32);
    EXPECT_EQ(px(b, 1, 10), ShiftColor(base, -32));
    EXPECT_EQ(px(b, 30, 1), ShiftColor(base, -32));
    EXPECT_EQ(px(b, 57, 10), base);
    // The pressed face darkens upward: 15 / 24 per row counted from the bottom.
    EXPECT_EQ(px(b, 30, 24 - 8), ShiftColor(base, -5));
}

TEST(ButtonXpFaces, DisabledStyleThreeIsFlatWhateverTheState) {
    Button_XP b;
    setUp(b, 3, 40, 20);
    b.UserControl_EnterFocus();
    hover(b);
    b.setEnabled(false);
    const std::uint32_t base = ShiftColor(TranslateColor(kSysButtonFace), 48);
    EXPECT_EQ(px(b, 20, 10), ShiftColor(base, -24));
    EXPECT_EQ(px(b, 20, 1), ShiftColor(base, -24));
    EXPECT_EQ(px(b, 1, 10), ShiftColor(base, -24));
    EXPECT_EQ(px(b, 0, 10), ShiftColor(base, -84));
    EXPECT_EQ(px(b, 1, 1), ShiftColor(base, -72));
    EXPECT_EQ(px(b, 38, 18), ShiftColor(base, -72));
}

TEST(ButtonXpLayout, CaptionCentredInTheInnerRectangle) {
    Button_XP b;
    setUp(b, 2, 60, 24);
    b.setCaption(QStringLiteral("OK"));
    const QFontMetrics fm(gdi::crispFont(b.QWidget::font()), &b.surface());
    const int tw = fm.horizontalAdvance(QStringLiteral("OK")) + 2;
    const int th = fm.height();
    EXPECT_EQ(b.textRect(), (gdi::Rect{4 + (52 - tw) / 2, 4 + (16 - th) / 2, 4 + (52 - tw) / 2 + tw,
                                       4 + (16 - th) / 2 + th}));
}

TEST(ButtonXpLayout, TransportPictureCentredWithoutCaption) {
    Button_XP b;
    setUp(b, 2, 28, 21);
    b.setPictureSize(3);
    b.setPictureWidth(12);
    b.setPictureHeight(12);
    b.setPicture(Picture::fromBitmap(squareOn(12, Qt::red, Qt::red, 0)));
    EXPECT_EQ(b.pictureRect(), (gdi::Rect{8, 4, 20, 16}));
    EXPECT_EQ(px(b, 8, 4), RGBValue(255, 0, 0));
    EXPECT_EQ(px(b, 19, 15), RGBValue(255, 0, 0));
    EXPECT_EQ(px(b, 20, 15), TranslateColor(kSysButtonFace));
}

TEST(ButtonXpLayout, PictureBesideAndAroundTheCaption) {
    Button_XP b;
    setUp(b, 2, 108, 60); // inner 100 x 52
    b.setPictureSize(0);
    b.setPicture(Picture::fromBitmap(squareOn(16, Qt::red, Qt::red, 0)));
    b.setCaption(QStringLiteral("Open"));
    const gdi::Rect t0 = b.textRect();
    const int tw = t0.width();
    const int th = t0.height();

    b.setPicturePosition(1);
    gdi::Rect p = b.pictureRect();
    gdi::Rect t = b.textRect();
    EXPECT_EQ(p.left, 4 + (100 - (tw + 16 + 4)) / 2);
    EXPECT_EQ(p.top, 4 + (52 - 16) / 2);
    EXPECT_EQ(t.left, p.right + 4);

    b.setPicturePosition(2);
    p = b.pictureRect();
    t = b.textRect();
    EXPECT_EQ(t.left, 4 + (100 - (tw + 16 + 4)) / 2);
    EXPECT_EQ(p.left, t.right + 4);

    b.setPicturePosition(0);
    p = b.pictureRect();
    t = b.textRect();
    EXPECT_EQ(p.top, 4 + (52 - (th + 4 + 16)) / 2);
    EXPECT_EQ(t.top, p.bottom + 4);
    EXPECT_EQ(t.width(), tw);

    b.setPicturePosition(3);
    p = b.pictureRect();
    t = b.textRect();
    EXPECT_EQ(p.top, t.bottom + 4);

    // An unknown position centres the caption alone and leaves the picture where it was.
    b.setPicturePosition(5);
    EXPECT_EQ(b.pictureRect(), p);
    EXPECT_EQ(b.textRect().left, 4 + (100 - tw) / 2);
}

TEST(ButtonXpLayout, ContentWiderThanTheFaceTruncatesTowardZero) {
    Button_XP b;
    setUp(b, 2, 28, 21); // inner width 20
    QString caption = QStringLiteral("Wwwwww");
    const QFontMetrics fm(gdi::crispFont(b.QWidget::font()), &b.surface());
    while ((fm.horizontalAdvance(caption) + 2) % 2 == 0 || fm.horizontalAdvance(caption) < 22)
        caption += QLatin1Char('i');
    b.setCaption(caption);
    const int tw = fm.horizontalAdvance(caption) + 2;
    ASSERT_GT(tw, 20);
    ASSERT_EQ(tw % 2, 1);
    EXPECT_EQ(b.textRect().left, 4 - (tw - 20) / 2); // (20 - 31) \ 2 is -5, not -6
}

TEST(ButtonXpPicture, HoverLiftsTheBitmapOverAGreyShadow) {
    Button_XP b;
    setUp(b, 2, 40, 30);
    b.setPictureSize(2);
    b.setPicture(Picture::fromBitmap(squareOn(12, Qt::blue, Qt::blue, 0)));
    const gdi::Rect place = b.pictureRect();
    hover(b);
    const std::uint32_t blue = RGBValue(0, 0, 255);
    EXPECT_EQ(px(b, place.left - 3, place.top - 3), blue);
    EXPECT_EQ(px(b, place.right - 4, place.bottom - 4), blue);
    EXPECT_EQ(px(b, place.right - 1, place.bottom - 1), RGBValue(146, 146, 146));
    EXPECT_EQ(px(b, place.left, place.bottom - 1), RGBValue(146, 146, 146));
    EXPECT_EQ(b.pictureRect(), place);

    // Pressed in style 2 the picture does not move; style 3 sinks it by one.
    b.UserControl_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(px(b, place.left, place.top), blue);
    EXPECT_NE(px(b, place.left - 1, place.top - 1), blue);
    b.setButtonStyle(3);
    EXPECT_EQ(px(b, place.left + 1, place.top + 1), blue);
    EXPECT_NE(px(b, place.left, place.top), blue);
}

TEST(ButtonXpPicture, MaskColourPixelsAreLeftOut) {
    Button_XP b;
    setUp(b, 2, 40, 30);
    b.setPictureSize(2);
    b.setPicture(Picture::fromBitmap(squareOn(12, Qt::black, Qt::green, 4)));
    const gdi::Rect p = b.pictureRect();
    EXPECT_EQ(px(b, p.left, p.top), TranslateColor(kSysButtonFace));
    EXPECT_EQ(px(b, p.left + 5, p.top + 5), RGBValue(0, 255, 0));

    // Without a pixel of the mask colour the bitmap is copied whole.
    b.setMaskColor(static_cast<OleColor>(RGBValue(255, 0, 255)));
    EXPECT_EQ(px(b, p.left, p.top), 0u);
}

TEST(ButtonXpPicture, DisabledBitmapIsEmbossedAndCaptionGreyed) {
    Button_XP b;
    setUp(b, 2, 60, 40);
    b.setPictureSize(2);
    b.setPicture(Picture::fromBitmap(squareOn(10, Qt::white, Qt::red, 3)));
    b.setEnabled(false);
    const gdi::Rect p = b.pictureRect();
    EXPECT_EQ(px(b, p.left + 3, p.top + 3), kShadow);
    EXPECT_EQ(px(b, p.left + 7, p.top + 7), kHighlight); // the highlight one pixel down-right
    EXPECT_EQ(px(b, p.left + 1, p.top + 1), TranslateColor(kSysButtonFace));

    b.setPicture(Picture());
    b.setCaption(QStringLiteral("Stop"));
    int shadowInk = 0;
    int textInk = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            shadowInk += px(b, x, y) == kShadow;
            textInk += px(b, x, y) == TranslateColor(kSysButtonText);
        }
    EXPECT_GT(shadowInk, 0);
    EXPECT_EQ(textInk, 0);
}

TEST(ButtonXpPicture, IconsDrawWithTheirAlpha) {
    Button_XP b;
    setUp(b, 2, 40, 30);
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int i = 0; i < 8; ++i)
        icon.setPixelColor(i, i, QColor(0, 200, 0));
    b.setPictureSize(2);
    b.setPicture(Picture::fromIcon(icon));
    const gdi::Rect p = b.pictureRect();
    EXPECT_EQ(px(b, p.left + 2, p.top + 2), RGBValue(0, 200, 0));
    EXPECT_EQ(px(b, p.left + 2, p.top + 5), TranslateColor(kSysButtonFace));
    hover(b);
    EXPECT_EQ(px(b, p.left + 5, p.top + 5), RGBValue(146, 146, 146));
    EXPECT_EQ(px(b, p.left - 1, p.top - 1), RGBValue(0, 200, 0));
}
