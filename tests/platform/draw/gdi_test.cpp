#include "draw/gdi.h"
#include "draw/olecolor.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::gdi;

namespace {

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kGrey = 0x808080;

QImage blank(int w, int h, std::uint32_t bgr = 0) {
    QImage img = createSurface(w, h);
    img.fill(toQRgb(bgr));
    return img;
}

int countColour(const QImage& img, std::uint32_t bgr) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pixel(img, x, y) == bgr;
    return n;
}

} // namespace

TEST(OleColor, TranslatesPlainAndSystemColours) {
    EXPECT_EQ(TranslateColor(0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(TranslateColor(0x123456), 0x123456u);
    EXPECT_EQ(TranslateColor(kSysButtonFace), RGBValue(236, 233, 216));
    EXPECT_EQ(TranslateColor(kSysHighlight), RGBValue(49, 106, 197));
    // Only the low three bytes name the system colour; -1 names 0xFFFFFF, which is no colour.
    EXPECT_EQ(TranslateColor(-1), GetSysColor(0xFFFFFF));
    EXPECT_EQ(TranslateColor(static_cast<OleColor>(0x8000010F)), GetSysColor(0x10F));
    EXPECT_NE(TranslateColor(static_cast<OleColor>(0x8000010F)), TranslateColor(kSysButtonFace));
}

TEST(GdiPrimitives, LinesLeaveOutTheirEndPoint) {
    QImage img = blank(10, 10);
    drawLine(img, 2, 3, 7, 3, kRed);
    EXPECT_EQ(pixel(img, 2, 3), kRed);
    EXPECT_EQ(pixel(img, 6, 3), kRed);
    EXPECT_EQ(pixel(img, 7, 3), 0u);
    EXPECT_EQ(countColour(img, kRed), 5);

    QImage up = blank(10, 10);
    drawLine(up, 4, 8, 4, 1, kRed);
    EXPECT_EQ(pixel(up, 4, 8), kRed);
    EXPECT_EQ(pixel(up, 4, 2), kRed);
    EXPECT_EQ(pixel(up, 4, 1), 0u);

    QImage none = blank(4, 4);
    drawLine(none, 1, 1, 1, 1, kRed);
    EXPECT_EQ(countColour(none, kRed), 0);

    // Diagonal lines step one pixel at a time and still stop short of the end.
    QImage diag = blank(10, 10);
    drawLine(diag, 0, 0, 5, 5, kRed);
    EXPECT_EQ(countColour(diag, kRed), 5);
    EXPECT_EQ(pixel(diag, 4, 4), kRed);
    EXPECT_EQ(pixel(diag, 5, 5), 0u);
}

TEST(GdiPrimitives, RectanglesExcludeRightAndBottom) {
    QImage img = blank(8, 6);
    fillRect(img, {1, 1, 4, 3}, kRed);
    EXPECT_EQ(countColour(img, kRed), 6);
    EXPECT_EQ(pixel(img, 3, 2), kRed);
    EXPECT_EQ(pixel(img, 4, 2), 0u);
    EXPECT_EQ(pixel(img, 3, 3), 0u);

    QImage frame = blank(8, 6);
    frameRect(frame, {0, 0, 8, 6}, kRed);
    EXPECT_EQ(countColour(frame, kRed), 2 * 8 + 2 * 4);
    EXPECT_EQ(pixel(frame, 7, 5), kRed);
    EXPECT_EQ(pixel(frame, 1, 1), 0u);

    // One past the surface: only the top row and left column fall on it.
    QImage over = blank(8, 6);
    frameRect(over, {0, 0, 9, 7}, kRed);
    EXPECT_EQ(countColour(over, kRed), 8 + 5);
    EXPECT_EQ(pixel(over, 7, 5), 0u);

    QImage empty = blank(4, 4);
    frameRect(empty, {3, 3, 3, 5}, kRed);
    fillRect(empty, {3, 1, 1, 3}, kRed);
    EXPECT_EQ(countColour(empty, kRed), 0);
}

TEST(GdiPrimitives, FocusRectInvertsEveryOtherPixelAndUndoesItself) {
    QImage img = blank(12, 10, kGrey);
    drawFocusRect(img, {2, 2, 10, 8});
    EXPECT_NE(pixel(img, 2, 2), kGrey);
    EXPECT_EQ(pixel(img, 3, 2), kGrey);
    EXPECT_NE(pixel(img, 4, 2), kGrey);
    EXPECT_EQ(pixel(img, 2, 2), kGrey ^ 0xFFFFFFu);
    EXPECT_EQ(pixel(img, 5, 5), kGrey); // inside untouched
    drawFocusRect(img, {2, 2, 10, 8});
    EXPECT_EQ(countColour(img, kGrey), 12 * 10);
}

TEST(GdiRasterOps, CombineSourceAndDestination) {
    QImage src = blank(2, 1);
    setPixel(src, 0, 0, 0x0F0F0F);
    setPixel(src, 1, 0, 0xFFFFFF);
    QImage dst = blank(3, 1, 0x3C3C3C);

    QImage d = dst.copy();
    bitBlt(d, 0, 0, 2, 1, src, 0, 0, Rop::SrcAnd);
    EXPECT_EQ(pixel(d, 0, 0), 0x0C0C0Cu);
    EXPECT_EQ(pixel(d, 1, 0), 0x3C3C3Cu);

    d = dst.copy();
    bitBlt(d, 0, 0, 2, 1, src, 0, 0, Rop::SrcInvert);
    EXPECT_EQ(pixel(d, 0, 0), 0x333333u);
    EXPECT_EQ(pixel(d, 1, 0), 0xC3C3C3u);

    d = dst.copy();
    bitBlt(d, 1, 0, 2, 1, src, 0, 0, Rop::NotSrcCopy);
    EXPECT_EQ(pixel(d, 0, 0), 0x3C3C3Cu);
    EXPECT_EQ(pixel(d, 1, 0), 0xF0F0F0u);
    EXPECT_EQ(pixel(d, 2, 0), 0x000000u);

    // A source area past its image reads black; a destination past its image is left out.
    d = dst.copy();
    bitBlt(d, 1, 0, 5, 1, src, 1, 0, Rop::SrcCopy);
    EXPECT_EQ(pixel(d, 0, 0), 0x3C3C3Cu);
    EXPECT_EQ(pixel(d, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(d, 2, 0), 0x000000u);
}

TEST(GdiRasterOps, MonochromeMaskMarksTheBackgroundColour) {
    QImage src = blank(3, 2, kGrey);
    setPixel(src, 1, 1, kRed);
    const QImage mask = monoFrom(src, 0, 0, 3, 2, kRed);
    EXPECT_EQ(pixel(mask, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(countColour(mask, 0xFFFFFF), 1);
    EXPECT_EQ(countColour(mask, 0), 5);
}

TEST(GdiRasterOps, StretchPicksNearestSourcePixels) {
    QImage src = blank(2, 2);
    setPixel(src, 1, 0, kRed);
    QImage dst = blank(4, 4, kGrey);
    stretchBlt(dst, 0, 0, 4, 4, src, 0, 0, 2, 2);
    EXPECT_EQ(pixel(dst, 2, 0), kRed);
    EXPECT_EQ(pixel(dst, 3, 1), kRed);
    EXPECT_EQ(pixel(dst, 1, 1), 0u);
    EXPECT_EQ(countColour(dst, kRed), 4);
}

TEST(GdiDrawState, MonoAndEmbossedLooksFollowTheShape) {
    QImage shape = blank(3, 3, 0xFFFFFF);
    setPixel(shape, 1, 1, 0x000000);
    QImage mono = blank(6, 6, kGrey);
    drawStateMono(mono, 2, 2, shape, kRed);
    EXPECT_EQ(countColour(mono, kRed), 1);
    EXPECT_EQ(pixel(mono, 3, 3), kRed);

    QImage embossed = blank(6, 6, kGrey);
    drawStateDisabled(embossed, 2, 2, shape);
    EXPECT_EQ(pixel(embossed, 3, 3), TranslateColor(kSysButtonShadow));
    EXPECT_EQ(pixel(embossed, 4, 4), TranslateColor(kSys3DHighlight));
    EXPECT_EQ(countColour(embossed, kGrey), 34);
}

TEST(GdiText, AccessKeyPrefixes) {
    PrefixedText t = parsePrefix(QStringLiteral("&Cancel"));
    EXPECT_EQ(t.shown, QStringLiteral("Cancel"));
    EXPECT_EQ(t.underline, 0);
    t = parsePrefix(QStringLiteral("Save && E&xit"));
    EXPECT_EQ(t.shown, QStringLiteral("Save & Exit"));
    EXPECT_EQ(t.underline, 8);
    t = parsePrefix(QStringLiteral("End&"));
    EXPECT_EQ(t.shown, QStringLiteral("End"));
    EXPECT_EQ(t.underline, -1);
}

TEST(GdiText, MeasuringWrapsAtTheRectangleAndAddsMargins) {
    QImage surface = blank(200, 100);
    const QFont font = crispFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    const QFontMetrics fm(font, &surface);
    const TextParams params;
    const unsigned calc = DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_VCENTER;

    Rect r{10, 20, 190, 90};
    drawTextEx(&surface, font, QStringLiteral("&Cancel"), r, calc, params, 0);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.width(), fm.horizontalAdvance(QStringLiteral("Cancel")) + 2);
    EXPECT_EQ(r.height(), fm.height());

    const QString two = QStringLiteral("alpha beta");
    Rect narrow{0, 0, fm.horizontalAdvance(QStringLiteral("alpha")) + 4, 90};
    drawTextEx(&surface, font, two, narrow, calc, params, 0);
    EXPECT_EQ(narrow.height(), 2 * fm.height());
    EXPECT_EQ(narrow.width(), fm.horizontalAdvance(QStringLiteral("alpha")) + 2);

    // A word wider than the rectangle widens it rather than being cut.
    Rect tiny{0, 0, 5, 90};
    drawTextEx(&surface, font, QStringLiteral("Wide"), tiny, calc, params, 0);
    EXPECT_EQ(tiny.width(), fm.horizontalAdvance(QStringLiteral("Wide")) + 2);

    Rect untouched{1, 2, 3, 4};
    EXPECT_EQ(drawTextEx(&surface, font, QString(), untouched, calc, params, 0), 0);
    EXPECT_EQ(untouched, (Rect{1, 2, 3, 4}));
}

TEST(GdiText, DrawingStaysInsideTheRectangleAndUnderlinesTheKey) {
    const QFont font = crispFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QImage plain = blank(120, 40, 0xFFFFFF);
    QImage keyed = blank(120, 40, 0xFFFFFF);
    Rect r{10, 5, 110, 35};
    Rect r2 = r;
    drawTextEx(&plain, font, QStringLiteral("Cancel"), r, DT_CENTER | DT_WORDBREAK, {}, 0);
    drawTextEx(&keyed, font, QStringLiteral("&Cancel"), r2, DT_CENTER | DT_WORDBREAK, {}, 0);
    int inkOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (pixel(plain, x, y) != 0xFFFFFF && (x < 10 || x >= 110 || y < 5 || y >= 35))
                ++inkOutside;
    EXPECT_EQ(inkOutside, 0);
    EXPECT_GT(countColour(plain, 0), 0);
    // The same glyphs plus an underline under the first letter only.
    EXPECT_GT(countColour(keyed, 0), countColour(plain, 0));
    const QFontMetrics fm(font, &plain);
    const int x0 = (10 + 1 + 110 - 1 - fm.horizontalAdvance(QStringLiteral("Cancel"))) / 2;
    const int underlineY = 5 + fm.ascent() + 1;
    EXPECT_EQ(pixel(keyed, x0 + 1, underlineY), 0u);
    EXPECT_EQ(pixel(keyed, x0 + fm.horizontalAdvance(QStringLiteral("Cancel")) - 1, underlineY),
              pixel(plain, x0 + fm.horizontalAdvance(QStringLiteral("Cancel")) - 1, underlineY));
}
