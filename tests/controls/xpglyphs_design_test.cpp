// What the check box and the option button show in each value and look, against the colours
// their design describes, read from the controls as they are drawn.
#include "controls/xpcheckbox.h"
#include "controls/xpradiobutton.h"
#include "forms/runtime.h"

#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

using namespace korimo;

namespace {

enum Look { Normal, Hover, Pressed, Disabled };
const char* const kLookNames[] = {"normal", "hover", "pressed", "disabled"};

// Each part of c lies between the same parts of a and b.
bool between(QColor c, QColor a, QColor b) {
    auto in = [](int v, int x, int y) { return v >= std::min(x, y) && v <= std::max(x, y); };
    return in(c.red(), a.red(), b.red()) && in(c.green(), a.green(), b.green()) &&
           in(c.blue(), a.blue(), b.blue());
}

std::string text(QColor c) {
    return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue());
}

// Puts the control into a look by the mouse, as a user would, and reads its glyph as drawn.
template <class Control> QImage glyphIn(Control& c, QWidget& host, Look look) {
    c.setEnabled(look != Disabled);
    const QPoint inside(3, 3);
    if (look == Hover || look == Pressed) {
        QCursor::setPos(c.mapToGlobal(inside));
        QTest::mouseMove(&c, inside);
    }
    if (look == Pressed)
        QTest::mousePress(&c, Qt::LeftButton, Qt::NoModifier, inside);
    QWidget* glyph = c.glyphPart();
    const QImage shot = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (look == Pressed)
        QTest::mouseRelease(&c, Qt::LeftButton, Qt::NoModifier, QPoint(500, 500));
    QCursor::setPos(host.mapToGlobal(QPoint(host.width() - 2, host.height() - 2)));
    const QPoint at = glyph->mapTo(&host, QPoint(0, 0));
    return shot.copy(at.x(), at.y(), 16, 16);
}

} // namespace

// Twelve cells: a 16 x 16 box framed in dark blue (pale when disabled), its inside by look, a
// check mark for value 1 and a 10 x 10 square for value 2.
TEST(XpCheckBoxLooks, EveryValueAndLookShowsItsDescribedCell) {
    QWidget host;
    host.resize(120, 60);
    auto* box = new xpcheckbox(&host, QStringLiteral("check1"));
    box->setGeometry(twipsRect(300, 300, 255, 255));
    host.show();
    QImage cell[3][4];
    for (int value = 0; value < 3; ++value)
        for (int look = Normal; look <= Disabled; ++look) {
            box->setValue(value);
            cell[value][look] = glyphIn(*box, host, static_cast<Look>(look));
        }

    const QColor frame(31, 80, 128), pale(207, 207, 191);
    for (int value = 0; value < 3; ++value)
        for (int look = Normal; look <= Disabled; ++look) {
            const QImage& g = cell[value][look];
            const std::string what =
                "value " + std::to_string(value) + ", " + kLookNames[look] + ": ";
            for (int i = 0; i < 16; ++i)
                for (QPoint p : {QPoint(i, 0), QPoint(i, 15), QPoint(0, i), QPoint(15, i)})
                    ASSERT_EQ(g.pixelColor(p), look == Disabled ? pale : frame)
                        << what << "frame at " << p.x() << "," << p.y();
        }

    // The insides of an empty box.
    const QImage& normal = cell[0][Normal];
    EXPECT_EQ(normal.pixelColor(1, 1), QColor(223, 223, 208));
    EXPECT_EQ(normal.pixelColor(14, 14), QColor(255, 255, 255));
    for (int i = 1; i < 14; ++i)
        EXPECT_LE(normal.pixelColor(i, i).red(), normal.pixelColor(i + 1, i + 1).red())
            << "the gradient lightens toward the bottom right";
    const QImage& pressed = cell[0][Pressed];
    EXPECT_EQ(pressed.pixelColor(1, 1), QColor(176, 176, 160));
    EXPECT_EQ(pressed.pixelColor(14, 14), QColor(240, 239, 223));
    for (int v = 0; v < 2; ++v) {
        const QImage& hover = cell[v][Hover];
        EXPECT_EQ(hover.pixelColor(1, 1), QColor(255, 240, 207)) << v;
        EXPECT_EQ(hover.pixelColor(14, 14), QColor(255, 176, 48)) << v;
        for (QPoint p : {QPoint(2, 8), QPoint(13, 8), QPoint(8, 2), QPoint(8, 13)})
            EXPECT_TRUE(between(hover.pixelColor(p), QColor(255, 240, 207), QColor(255, 176, 48)))
                << v << " rim at " << p.x() << "," << p.y() << ": " << text(hover.pixelColor(p));
    }
    // The pale centre of the hover cell, paler still with the mark.
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            ASSERT_EQ(cell[0][Hover].pixelColor(x, y), QColor(224, 224, 224)) << x << "," << y;
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x)
            ASSERT_EQ(cell[0][Disabled].pixelColor(x, y), QColor(255, 255, 255)) << x << "," << y;

    // The mark and the square: the pixels that differ from the empty box of the same look.
    auto marked = [&](int value, int look, auto&& check) {
        int n = 0;
        for (int y = 1; y < 15; ++y)
            for (int x = 1; x < 15; ++x) {
                const QColor c = cell[value][look].pixelColor(x, y);
                if (c == cell[0][look].pixelColor(x, y))
                    continue;
                ++n;
                check(x, y, c);
            }
        return n;
    };
    const QColor green(32, 160, 32);
    EXPECT_GE(marked(1, Normal, [&](int, int, QColor c) { EXPECT_EQ(c, green); }), 15);
    int hoverMark = 0;
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x)
            hoverMark += cell[1][Hover].pixelColor(x, y) == green;
    EXPECT_EQ(hoverMark, marked(1, Normal, [](int, int, QColor) {})) << "the same mark on hover";
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            if (cell[1][Hover].pixelColor(x, y) != green) {
                EXPECT_EQ(cell[1][Hover].pixelColor(x, y), QColor(240, 240, 240)) << x << "," << y;
            }
    EXPECT_GE(marked(1, Pressed,
                     [&](int, int, QColor c) {
                         EXPECT_TRUE(between(c, QColor(31, 112, 16), QColor(31, 143, 31)))
                             << text(c);
                     }),
              15);
    EXPECT_GE(marked(1, Disabled, [&](int, int, QColor c) { EXPECT_EQ(c, pale); }), 15);

    const QColor squares[4][2] = {{QColor(160, 208, 160), QColor(160, 208, 160)},
                                  {green, green},
                                  {QColor(16, 111, 16), QColor(31, 144, 31)},
                                  {pale, pale}};
    for (int look = Normal; look <= Disabled; ++look) {
        int left = 16, top = 16, right = -1, bottom = -1;
        const int n = marked(2, look, [&](int x, int y, QColor c) {
            EXPECT_TRUE(between(c, squares[look][0], squares[look][1]))
                << kLookNames[look] << " square at " << x << "," << y << ": " << text(c);
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        });
        // Pixels of the square that match the empty cell do not count, so the square is read by
        // its extent.
        EXPECT_LE(n, 100) << kLookNames[look];
        EXPECT_EQ(right - left + 1, 10) << kLookNames[look];
        EXPECT_EQ(bottom - top + 1, 10) << kLookNames[look];
    }
}

// Eight pictures: a 13 x 13 ring, dark blue with soft edges, two pixels pale when disabled,
// around an inside by look, with a round green dot or a pale square when chosen.
TEST(XpRadioButtonLooks, EveryValueAndLookShowsItsDescribedPicture) {
    QWidget host;
    host.resize(120, 60);
    auto* option = new xpradiobutton(&host, QStringLiteral("Option1"));
    option->setGeometry(twipsRect(300, 300, 255, 255));
    option->setBackColor(0x00EEC5A9);
    host.show();
    QImage pic[2][4];
    for (int chosen = 0; chosen < 2; ++chosen)
        for (int look = Normal; look <= Disabled; ++look) {
            option->setValue(chosen == 1);
            pic[chosen][look] = glyphIn(*option, host, static_cast<Look>(look));
        }

    const QColor ring(28, 81, 128), pale(202, 200, 187), corner(181, 206, 241);
    for (int chosen = 0; chosen < 2; ++chosen)
        for (int look = Normal; look <= Disabled; ++look) {
            const QImage& g = pic[chosen][look];
            const std::string what = (chosen ? "chosen, " : "") + std::string(kLookNames[look]);
            for (QPoint p : {QPoint(6, 0), QPoint(0, 6), QPoint(12, 6), QPoint(6, 12)})
                EXPECT_EQ(g.pixelColor(p), look == Disabled ? pale : ring)
                    << what << ": ring at " << p.x() << "," << p.y();
            const bool clear = look == Disabled || (chosen && look == Pressed);
            if (!clear) {
                EXPECT_EQ(g.pixelColor(0, 0), corner) << what;
                EXPECT_EQ(g.pixelColor(12, 12), corner) << what;
            } else {
                EXPECT_NE(g.pixelColor(0, 0), corner) << what << ": the corners are clear";
            }
            // Disabled, the ring is two pixels wide with white inside; enabled, one.
            const QColor second = g.pixelColor(6, 1);
            if (look == Disabled) {
                EXPECT_EQ(second, pale) << what;
                EXPECT_EQ(g.pixelColor(6, 2), QColor(255, 255, 255)) << what;
            } else {
                EXPECT_NE(second, ring) << what;
            }
        }

    // The insides of the unchosen pictures.
    EXPECT_TRUE(
        between(pic[0][Normal].pixelColor(3, 3), QColor(224, 224, 219), QColor(251, 251, 250)));
    EXPECT_TRUE(
        between(pic[0][Normal].pixelColor(9, 9), QColor(224, 224, 219), QColor(251, 251, 250)));
    EXPECT_LT(pic[0][Normal].pixelColor(3, 3).red(), pic[0][Normal].pixelColor(9, 9).red());
    EXPECT_TRUE(
        between(pic[0][Pressed].pixelColor(3, 3), QColor(183, 183, 173), QColor(237, 235, 219)));
    EXPECT_LT(pic[0][Pressed].pixelColor(3, 3).red(), pic[0][Normal].pixelColor(3, 3).red())
        << "pressed is darker";
    for (QPoint p : {QPoint(6, 1), QPoint(1, 6), QPoint(11, 6), QPoint(6, 11)})
        EXPECT_TRUE(
            between(pic[0][Hover].pixelColor(p), QColor(254, 223, 156), QColor(249, 187, 67)))
            << "orange rim at " << p.x() << "," << p.y() << ": "
            << text(pic[0][Hover].pixelColor(p));
    EXPECT_EQ(pic[0][Hover].pixelColor(6, 6), QColor(241, 239, 223));
    for (int y = 4; y < 9; ++y)
        for (int x = 4; x < 9; ++x)
            EXPECT_EQ(pic[0][Disabled].pixelColor(x, y), QColor(255, 255, 255)) << x << "," << y;

    // The dot: 5 x 5 at the centre without its corners, green shading toward the bottom right;
    // disabled, a pale square with its corners.
    for (int look : {Normal, Hover, Pressed}) {
        const QImage& g = pic[1][look];
        for (int y = 4; y < 9; ++y)
            for (int x = 4; x < 9; ++x) {
                const bool corner5 = (x == 4 || x == 8) && (y == 4 || y == 8);
                if (corner5)
                    EXPECT_EQ(g.pixelColor(x, y), pic[0][look].pixelColor(x, y))
                        << kLookNames[look] << " dot corner " << x << "," << y;
                else
                    EXPECT_TRUE(
                        between(g.pixelColor(x, y), QColor(85, 213, 81), QColor(19, 146, 16)))
                        << kLookNames[look] << " dot at " << x << "," << y << ": "
                        << text(g.pixelColor(x, y));
            }
        EXPECT_GT(g.pixelColor(5, 5).green(), g.pixelColor(7, 7).green()) << kLookNames[look];
        EXPECT_EQ(g.pixelColor(3, 6), pic[0][look].pixelColor(3, 6)) << "no wider than five";
    }
    for (int y = 4; y < 9; ++y)
        for (int x = 4; x < 9; ++x)
            EXPECT_EQ(pic[1][Disabled].pixelColor(x, y), QColor(192, 191, 181)) << x << "," << y;
}
