// Every pixel of the push button's face against the drawing steps of its design, the expected
// colours worked out here from the design's own formulas, never by the drawing code.
#include "controls/button_xp.h"
#include "controls/button_xpcolors.h"

#include <QCursor>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

using namespace korimo;

namespace {

using Colour = std::uint32_t; // BGR: red in the low byte

Colour rgb(long long r, long long g, long long b) {
    auto c = [](long long v) { return static_cast<Colour>(std::clamp(v, 0LL, 255LL)); };
    return c(r) | c(g) << 8 | c(b) << 16;
}
int red(Colour c) {
    return static_cast<int>(c & 0xFF);
}
int green(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int blue(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// Red and green move by d, blue by (B * d) \ 192 truncated toward zero, each part held to 0..255.
Colour shift(Colour c, int d) {
    const int b = blue(c);
    return rgb(red(c) + d, green(c) + d, b + (b * d) / 192);
}

// RGB(p.R + d, p.G + d, p.B + d), a part above 255 counting as 255.
Colour lift(Colour c, int d) {
    return rgb(red(c) + d, green(c) + d, blue(c) + d);
}

// The gradient's delta for row i: -s * i rounded to the nearest integer, halves to even. The
// step s is held in single precision; the product is not rounded to it again.
int steps(float s, int i) {
    return static_cast<int>(std::nearbyint(-static_cast<double>(s) * i));
}

Colour sys(OleColor c) {
    return TranslateColor(c);
}

// The face as the design's steps paint it: rectangles leave out their right column and bottom
// row, a line leaves out its end point.
struct Face {
    int W, H;
    std::vector<Colour> px;
    Face(int w, int h, Colour ground) : W(w), H(h), px(static_cast<size_t>(w * h), ground) {}
    void set(int x, int y, Colour c) {
        if (x >= 0 && y >= 0 && x < W && y < H)
            px[static_cast<size_t>(y * W + x)] = c;
    }
    Colour at(int x, int y) const { return px[static_cast<size_t>(y * W + x)]; }
    void fill(int l, int t, int r, int b, Colour c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                set(x, y, c);
    }
    void frame(int l, int t, int r, int b, Colour c) {
        if (r <= l || b <= t)
            return;
        for (int x = l; x < r; ++x) {
            set(x, t, c);
            set(x, b - 1, c);
        }
        for (int y = t; y < b; ++y) {
            set(l, y, c);
            set(r - 1, y, c);
        }
    }
    // Only the straight lines the faces use.
    void line(int x1, int y1, int x2, int y2, Colour c) {
        if (y1 == y2)
            for (int x = x1; x != x2; x += x2 > x1 ? 1 : -1)
                set(x, y1, c);
        else
            for (int y = y1; y != y2; y += y2 > y1 ? 1 : -1)
                set(x1, y, c);
    }
    void corners(Colour c) {
        set(1, 1, c);
        set(1, H - 2, c);
        set(W - 2, 1, c);
        set(W - 2, H - 2, c);
    }
    // The dotted focus frame: every other pixel of (4, 4, W - 4, H - 4) inverted.
    void focusFrame() {
        const int l = 4, t = 4, r = W - 4, b = H - 4;
        auto dot = [&](int x, int y) {
            if ((x + y) % 2 == 0)
                set(x, y, at(x, y) ^ 0xFFFFFFu);
        };
        for (int x = l; x < r; ++x) {
            dot(x, t);
            dot(x, b - 1);
        }
        for (int y = t + 1; y < b - 1; ++y) {
            dot(l, y);
            dot(r - 1, y);
        }
    }

    // The one-pixel raised frame (sunken: the colours swapped).
    void edge(bool sunken) {
        frame(0, 0, W, H, sys(sunken ? kSys3DHighlight : kSysButtonShadow));
        frame(0, 0, W + 1, H + 1, sys(sunken ? kSysButtonShadow : kSys3DHighlight));
    }
    void bevel(Colour c0, int n, int d, bool sunken) {
        Colour c = c0;
        for (int i = n; i >= 0; --i) {
            c = sunken ? lift(c, d) : shift(c, -d);
            frame(i, i, W - i, H - i, c);
        }
        c = c0;
        for (int j = n; j >= 0; --j) {
            c = sunken ? shift(c, -d) : lift(c, d);
            line(j, j, W - j - 1, j, c);
            line(j, j, j, H - j - 1, c);
        }
    }

    // The XP face of style 3.
    void xp(Colour back, bool pressed, bool focus, bool hover, Colour focusRim, Colour hoverRim) {
        fill(0, 0, W, H, back);
        const Colour K = sys(kSys3DDarkShadow);
        if (pressed) {
            const Colour base = shift(shift(back, 48), -32);
            const float s = 15.0f / static_cast<float>(H);
            for (int i = 1; i <= H; ++i)
                line(0, H - i, W, H - i, shift(base, steps(s, i)));
            frame(0, 0, W, H, K);
            corners(K);
            line(2, H - 2, W - 2, H - 2, shift(base, 16));
            line(1, H - 3, W - 2, H - 3, shift(base, 10));
            line(W - 2, 2, W - 2, H - 2, shift(base, 5));
            line(W - 3, 3, W - 3, H - 3, base);
            line(2, 1, W - 2, 1, shift(base, -32));
            line(1, 2, W - 2, 2, shift(base, -24));
            line(1, 2, 1, H - 2, shift(base, -32));
            line(2, 2, 2, H - 2, shift(base, -22));
            return;
        }
        const Colour base = shift(back, 48);
        const float s = 25.0f / static_cast<float>(H);
        for (int i = 1; i <= H; ++i)
            line(0, i, W, i, shift(base, steps(s, i)));
        frame(0, 0, W, H, K);
        corners(K);
        auto rim = [&](Colour c, int bottom, int top, int upper, int sides) {
            frame(1, 2, W - 1, H - 2, c);
            line(2, H - 2, W - 2, H - 2, shift(c, bottom));
            line(2, 1, W - 2, 1, shift(c, top));
            line(1, 2, W - 1, 2, shift(c, upper));
            line(2, 3, 2, H - 3, shift(c, sides));
            line(W - 3, 3, W - 3, H - 3, shift(c, sides));
        };
        if (focus) {
            rim(focusRim, -33, 65, 50, 31);
        } else {
            line(2, H - 2, W - 2, H - 2, shift(base, -48));
            line(1, H - 3, W - 2, H - 3, shift(base, -32));
            line(W - 2, 2, W - 2, H - 2, shift(base, -36));
            line(W - 3, 3, W - 3, H - 3, shift(base, -24));
            line(2, 1, W - 2, 1, shift(base, 16));
            line(1, 2, W - 2, 2, shift(base, 10));
            line(1, 2, 1, H - 2, shift(base, -5));
            line(2, 3, 2, H - 3, shift(base, -10));
        }
        if (hover)
            rim(hoverRim, -40, 90, 35, 20);
    }
    void xpDisabled(Colour back) {
        const Colour base = shift(back, 48);
        fill(0, 0, W, H, shift(base, -24));
        frame(0, 0, W, H, shift(base, -84));
        corners(shift(base, -72));
    }
};

// The first few pixels in which the button's surface differs from the face.
std::string differences(const Button_XP& b, const Face& f) {
    const QImage& s = b.surface();
    if (s.width() != f.W || s.height() != f.H)
        return "the surface is " + std::to_string(s.width()) + " x " + std::to_string(s.height());
    std::ostringstream out;
    int n = 0;
    for (int y = 0; y < f.H; ++y)
        for (int x = 0; x < f.W; ++x) {
            const Colour got = gdi::pixel(s, x, y);
            if (got == f.at(x, y))
                continue;
            if (n++ < 5)
                out << " (" << x << "," << y << ") is " << red(got) << "," << green(got) << ","
                    << blue(got) << " for " << red(f.at(x, y)) << "," << green(f.at(x, y)) << ","
                    << blue(f.at(x, y)) << ";";
        }
    if (n > 0)
        out << " " << n << " pixels in all";
    return out.str();
}

#define EXPECT_FACE(button, face, what) EXPECT_EQ(differences(button, face), "") << what

// A shown button without caption or picture, the pointer parked away from it.
struct Placed {
    QWidget host;
    Button_XP* b;
    Placed(int style, int w, int h, OleColor back, QPoint at = QPoint(6, 8)) {
        QCursor::setPos(5000, 5000);
        host.resize(200, 120);
        b = new Button_XP(&host);
        // The focus state is set by the tests alone, not by the window's activation.
        b->setFocusPolicy(Qt::NoFocus);
        b->setCaption(QString());
        b->setBackColor(back);
        b->setButtonStyle(style);
        b->setGeometry(QRect(at, QSize(w, h)));
        host.show();
        b->Refresh();
    }
    void hover() {
        QCursor::setPos(b->mapToGlobal(QPoint(2, 2)));
        b->UserControl_MouseMove(0, 0, 2, 2);
    }
    void press() { b->UserControl_MouseDown(1, 0, 2, 2); }
    int W() const { return b->width(); }
    int H() const { return b->height(); }
};

const OleColor kDarkRed = 0x00000040;
const OleColor kBlue = 0x00BB7C1E;

} // namespace

TEST(ButtonXpDesign, ShiftColorOfTheFacesIsTheDesignsFormula) {
    for (Colour c : {rgb(200, 100, 50), rgb(64, 0, 0), rgb(30, 124, 187), rgb(250, 250, 250),
                     rgb(3, 200, 255), sys(kSysButtonFace)})
        for (int d : {48, -24, -84, 90, -33, 5, -5, 0})
            EXPECT_EQ(ShiftColor(c, d), shift(c, d)) << c << " by " << d;
    EXPECT_EQ(shift(rgb(200, 100, 50), -24), rgb(176, 76, 44));
}

// Style 3 in each state, at the heights the windows use, on three face colours.
TEST(ButtonXpDesign, StyleThreeFaceEveryStateEveryPixel) {
    const Colour focusRim = rgb(140, 170, 230), hoverRim = rgb(225, 153, 71);
    for (OleColor back : {kDarkRed, kBlue, kSysButtonFace}) {
        for (QSize size : {QSize(28, 21), QSize(70, 29), QSize(96, 30)}) {
            Placed p(3, size.width(), size.height(), back);
            const Colour c = sys(back);
            const std::string at = std::to_string(size.width()) + "x" +
                                   std::to_string(size.height()) + " on " + std::to_string(c);
            Face rest(p.W(), p.H(), 0);
            rest.xp(c, false, false, false, focusRim, hoverRim);
            EXPECT_FACE(*p.b, rest, "at rest " + at);

            p.b->UserControl_EnterFocus();
            Face focused(p.W(), p.H(), 0);
            focused.xp(c, false, true, false, focusRim, hoverRim);
            EXPECT_FACE(*p.b, focused, "focused " + at);

            p.hover();
            Face both(p.W(), p.H(), 0);
            both.xp(c, false, true, true, focusRim, hoverRim);
            EXPECT_FACE(*p.b, both, "focused and hovered " + at);

            p.b->UserControl_ExitFocus();
            Face hovered(p.W(), p.H(), 0);
            hovered.xp(c, false, false, true, focusRim, hoverRim);
            EXPECT_FACE(*p.b, hovered, "hovered " + at);

            p.press();
            Face pressed(p.W(), p.H(), 0);
            pressed.xp(c, true, false, false, focusRim, hoverRim);
            EXPECT_FACE(*p.b, pressed, "pressed " + at);

            p.b->UserControl_MouseUp(1, 0, 500, 500);
            p.b->UserControl_EnterFocus();
            p.b->setEnabled(false);
            Face disabled(p.W(), p.H(), 0);
            disabled.xpDisabled(c);
            EXPECT_FACE(*p.b, disabled, "disabled " + at);
        }
    }
}

// The switch buttons' ON colours serve as the rims when the XP colours are off.
TEST(ButtonXpDesign, StyleThreeRimsInTheButtonsOwnColours) {
    Placed p(3, 28, 21, kDarkRed);
    const Colour pressedRim = rgb(10, 120, 30), hoverRim = rgb(200, 40, 160);
    p.b->setXPColor_Pressed(static_cast<OleColor>(pressedRim));
    p.b->setXPColor_Hover(static_cast<OleColor>(hoverRim));
    p.b->setXPDefaultColors(false);
    p.b->UserControl_EnterFocus();
    Face focused(p.W(), p.H(), 0);
    focused.xp(sys(kDarkRed), false, true, false, pressedRim, hoverRim);
    EXPECT_FACE(*p.b, focused, "focused");
    p.hover();
    Face hovered(p.W(), p.H(), 0);
    hovered.xp(sys(kDarkRed), false, true, true, pressedRim, hoverRim);
    EXPECT_FACE(*p.b, hovered, "hovered");
}

// Styles 0 and 1: the one-pixel frames, the bevels in their depth, the default frame and the
// dotted focus frame.
TEST(ButtonXpDesign, StylesZeroAndOneBordersBevelsAndFocus) {
    const Colour c = rgb(100, 120, 140);
    for (int style : {0, 1}) {
        Placed p(style, 60, 26, static_cast<OleColor>(c));
        const std::string s = "style " + std::to_string(style);
        Face rest(p.W(), p.H(), c);
        if (style == 0)
            rest.edge(false);
        EXPECT_FACE(*p.b, rest, s + " at rest");

        p.b->UserControl_EnterFocus();
        Face focused = rest;
        if (style == 0) {
            focused.frame(0, 0, p.W() - 1, p.H() - 1, sys(kSysButtonShadow));
            focused.frame(0, 0, p.W() + 1, p.H() + 1, sys(kSys3DHighlight));
        }
        focused.focusFrame();
        EXPECT_FACE(*p.b, focused, s + " focused");
        p.b->UserControl_ExitFocus();

        p.hover();
        Face hovered(p.W(), p.H(), c);
        hovered.edge(false);
        EXPECT_FACE(*p.b, hovered, s + " hovered");
        p.press();
        Face pressed(p.W(), p.H(), c);
        pressed.edge(true);
        EXPECT_FACE(*p.b, pressed, s + " pressed");

        for (auto [bevel, depth] : {std::pair{2, 8}, std::pair{3, 5}}) {
            p.b->setBEVEL(static_cast<std::int16_t>(bevel));
            p.b->setBEVELDEPTH(static_cast<std::int16_t>(depth));
            Face sunken(p.W(), p.H(), c);
            sunken.bevel(c, bevel, depth, true);
            EXPECT_FACE(*p.b, sunken, s + " pressed, bevel " + std::to_string(bevel));
            p.b->UserControl_MouseUp(1, 0, 2, 2);
            Face raised(p.W(), p.H(), c);
            raised.bevel(c, bevel, depth, false);
            EXPECT_FACE(*p.b, raised, s + " hovered, bevel " + std::to_string(bevel));
            p.press();
        }
        p.b->UserControl_MouseUp(1, 0, 500, 500);
        p.b->setBEVEL(1);
    }

    // The window's default button: its frame over the sunken border while pressed, and with a
    // bevel the raised bevel three steps deeper.
    Placed d(0, 60, 26, static_cast<OleColor>(c));
    d.b->setDefault(true);
    d.press();
    Face pressedDefault(d.W(), d.H(), c);
    pressedDefault.edge(true);
    pressedDefault.frame(0, 0, d.W() - 1, d.H() - 1, sys(kSysButtonShadow));
    pressedDefault.frame(0, 0, d.W() + 1, d.H() + 1, sys(kSys3DHighlight));
    EXPECT_FACE(*d.b, pressedDefault, "default, pressed");
    d.b->UserControl_MouseUp(1, 0, 500, 500);
    d.b->setBEVEL(2);
    d.b->setBEVELDEPTH(6);
    Face bevelled(d.W(), d.H(), c);
    bevelled.bevel(c, 2, 6, false);
    bevelled.bevel(c, 2, 9, false);
    EXPECT_FACE(*d.b, bevelled, "default with a bevel");
}

// Style 2's faces from the highlight colour or its own colours, its frame in ForeColor; style 4
// draws no border in any state.
TEST(ButtonXpDesign, StylesTwoAndFourFaces) {
    Placed p(2, 50, 24, kDarkRed);
    const Colour back = sys(kDarkRed);
    const Colour ink = sys(kSysButtonText);
    EXPECT_FACE(*p.b, Face(p.W(), p.H(), back), "style 2 at rest");
    const Colour h = sys(kSysHighlight);
    p.hover();
    Face hovered(p.W(), p.H(), rgb(red(h) + 171, green(h) + 154, blue(h) + 108));
    hovered.frame(0, 0, p.W(), p.H(), ink);
    EXPECT_FACE(*p.b, hovered, "style 2 hovered");
    p.press();
    Face pressed(p.W(), p.H(), rgb(red(h) + 156, green(h) + 139, blue(h) + 108));
    pressed.frame(0, 0, p.W(), p.H(), ink);
    EXPECT_FACE(*p.b, pressed, "style 2 pressed");
    p.b->UserControl_MouseUp(1, 0, 500, 500);
    p.b->setXPDefaultColors(false);
    p.b->setXPColor_Hover(static_cast<OleColor>(rgb(1, 2, 3)));
    p.b->setXPColor_Pressed(static_cast<OleColor>(rgb(4, 5, 6)));
    p.b->Refresh();
    Face own(p.W(), p.H(), rgb(1, 2, 3));
    own.frame(0, 0, p.W(), p.H(), ink);
    EXPECT_FACE(*p.b, own, "style 2 hovered in its own colours");
    p.b->UserControl_EnterFocus();
    Face focused = own;
    focused.focusFrame();
    EXPECT_FACE(*p.b, focused, "style 2 hovered and focused");

    Placed q(4, 50, 24, kDarkRed);
    q.b->setBEVEL(3);
    for (int step = 0; step < 3; ++step) {
        if (step == 1)
            q.hover();
        if (step == 2)
            q.press();
        EXPECT_FACE(*q.b, Face(q.W(), q.H(), back), "style 4, step " << step);
    }
}

// A transparent button shows the part of its container's picture that lies under it; style 2
// only while not pressed, styles 0 and 4 always, with their own border over it.
TEST(ButtonXpDesign, TransparentBackgroundIsTheContainersPictureUnderTheButton) {
    QImage picture(200, 120, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, (x + 2 * y) % 256));
    const QPoint at(23, 17);
    auto ground = [&](const Placed& p) {
        Face f(p.W(), p.H(), 0);
        for (int y = 0; y < p.H(); ++y)
            for (int x = 0; x < p.W(); ++x)
                f.set(x, y, gdi::fromQRgb(picture.pixel(at.x() + x, at.y() + y)));
        return f;
    };
    for (int style : {0, 2, 4}) {
        Placed p(style, 40, 22, kDarkRed, at);
        p.host.setProperty("Picture", picture);
        p.b->setTransparentBG(true);
        Face f = ground(p);
        if (style == 0)
            f.edge(false);
        EXPECT_FACE(*p.b, f, "style " << style);
        if (style == 2) {
            p.hover();
            p.press();
            const Colour h = sys(kSysHighlight);
            Face pressed(p.W(), p.H(), rgb(red(h) + 156, green(h) + 139, blue(h) + 108));
            pressed.frame(0, 0, p.W(), p.H(), sys(kSysButtonText));
            EXPECT_FACE(*p.b, pressed, "style 2 pressed covers the picture");
        }
    }
}

namespace {

// Where the caption's ink lies: the pixels in the caption's colour inside the border's reach.
std::vector<QPoint> ink(const Button_XP& b, Colour colour) {
    std::vector<QPoint> out;
    for (int y = 4; y < b.height() - 4; ++y)
        for (int x = 4; x < b.width() - 4; ++x)
            if (gdi::pixel(b.surface(), x, y) == colour)
                out.push_back(QPoint(x, y));
    return out;
}

std::vector<QPoint> moved(std::vector<QPoint> points, QPoint by) {
    for (QPoint& p : points)
        p += by;
    return points;
}

} // namespace

// Pressed, the caption sinks one pixel down and right, except in style 2; disabled, it is drawn
// in the button-shadow colour where it stood.
TEST(ButtonXpDesign, CaptionSinksWhenPressedAndGreysWhenDisabled) {
    const Colour magenta = rgb(255, 0, 255);
    for (int style : {0, 1, 2, 3, 4}) {
        Placed p(style, 80, 30, kDarkRed);
        p.b->setForeColor(static_cast<OleColor>(magenta));
        p.b->setCaption(QStringLiteral("Save"));
        const auto rest = ink(*p.b, magenta);
        ASSERT_GT(rest.size(), 10u) << style;
        p.hover();
        EXPECT_EQ(ink(*p.b, magenta), rest) << "style " << style << " hovered";
        p.press();
        EXPECT_EQ(ink(*p.b, magenta), moved(rest, style == 2 ? QPoint(0, 0) : QPoint(1, 1)))
            << "style " << style << " pressed";
        p.b->UserControl_MouseUp(1, 0, 500, 500);
        QCursor::setPos(5000, 5000);
        p.b->OverTimer_Timer();
        p.b->setEnabled(false);
        EXPECT_TRUE(ink(*p.b, magenta).empty()) << style;
        EXPECT_EQ(ink(*p.b, sys(kSysButtonShadow)), rest) << "style " << style << " disabled";
    }
}

namespace {

// A 10 x 10 bitmap on white: a red 4 x 4 square at (3, 3) with one black (mask colour) pixel.
QImage squareOnWhite() {
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    img.setPixel(6, 6, qRgb(0, 0, 0));
    return img;
}

bool inShape(int x, int y) {
    return x >= 3 && x < 7 && y >= 3 && y < 7 && !(x == 6 && y == 6);
}

} // namespace

// Disabled, the picture is embossed: the 3-D highlight one pixel down and right of its shape,
// the button shadow on it; the mask colour and the white ground are no part of the shape. An
// icon's shape is its opaque pixels.
TEST(ButtonXpDesign, DisabledPictureIsEmbossed) {
    QImage icon(10, 10, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (inShape(x, y))
                icon.setPixel(x, y, qRgba(0, 0, 255, 255));
    for (const Picture& picture : {Picture::fromBitmap(squareOnWhite()), Picture::fromIcon(icon)}) {
        Placed p(2, 40, 30, kDarkRed);
        p.b->setPictureSize(2);
        p.b->setPicture(picture);
        p.b->setEnabled(false);
        const gdi::Rect r = p.b->pictureRect();
        Face f(p.W(), p.H(), sys(kDarkRed));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                if (inShape(x, y))
                    f.set(r.left + x + 1, r.top + y + 1, sys(kSys3DHighlight));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                if (inShape(x, y))
                    f.set(r.left + x, r.top + y, sys(kSysButtonShadow));
        EXPECT_FACE(*p.b, f, (picture.type() == Picture::Icon ? "icon" : "bitmap"));
    }
}

// Hovered in style 2 the picture lifts three pixels up and left over a flat grey silhouette at
// its place; pressed in style 3 it sinks one pixel.
TEST(ButtonXpDesign, PictureLiftsOnHoverAndSinksWhenPressed) {
    Placed p(2, 40, 30, kDarkRed);
    p.b->setPictureSize(2);
    p.b->setPicture(Picture::fromBitmap(squareOnWhite()));
    const gdi::Rect r = p.b->pictureRect();
    auto picture = [&](Face& f, int dx, int dy) {
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                if (!(x == 6 && y == 6)) // the mask colour is left out
                    f.set(r.left + x + dx, r.top + y + dy,
                          inShape(x, y) ? rgb(255, 0, 0) : rgb(255, 255, 255));
    };
    Face rest(p.W(), p.H(), sys(kDarkRed));
    picture(rest, 0, 0);
    EXPECT_FACE(*p.b, rest, "at rest");

    p.hover();
    const Colour h = sys(kSysHighlight);
    Face lifted(p.W(), p.H(), rgb(red(h) + 171, green(h) + 154, blue(h) + 108));
    lifted.frame(0, 0, p.W(), p.H(), sys(kSysButtonText));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (inShape(x, y))
                lifted.set(r.left + x, r.top + y, rgb(146, 146, 146));
    picture(lifted, -3, -3);
    EXPECT_FACE(*p.b, lifted, "hovered");
    EXPECT_EQ(p.b->pictureRect(), r);

    Placed q(3, 40, 30, kDarkRed);
    q.b->setPictureSize(2);
    q.b->setPicture(Picture::fromBitmap(squareOnWhite()));
    q.hover();
    q.press();
    Face sunk(q.W(), q.H(), 0);
    sunk.xp(sys(kDarkRed), true, false, false, 0, 0);
    picture(sunk, 1, 1);
    EXPECT_FACE(*q.b, sunk, "style 3 pressed");
}

// An empty hover picture is set but holds nothing: while hovered the button shows no picture
// and centres its caption alone.
TEST(ButtonXpDesign, EmptyHoverPictureShowsNoPicture) {
    Placed alone(2, 90, 30, kDarkRed);
    alone.b->setCaption(QStringLiteral("Open"));
    const gdi::Rect centred = alone.b->textRect();

    Placed p(2, 90, 30, kDarkRed);
    p.b->setPictureSize(2);
    p.b->setPicture(Picture::fromBitmap(squareOnWhite()));
    p.b->setPictureHover(Picture::empty());
    p.b->setCaption(QStringLiteral("Open"));
    ASSERT_NE(p.b->textRect(), centred);
    p.hover();
    EXPECT_EQ(p.b->textRect(), centred);
    for (int y = 0; y < p.H(); ++y)
        for (int x = 0; x < p.W(); ++x)
            ASSERT_NE(gdi::pixel(p.b->surface(), x, y), rgb(255, 0, 0)) << x << "," << y;
}
