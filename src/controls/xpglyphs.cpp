#include "controls/xpglyphs.h"

#include <QColor>
#include <algorithm>
#include <cmath>

namespace korimo {

namespace {

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                            static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

// Position along the top-left to bottom-right diagonal of a square span, 0 to 1.
double diagonal(int x, int y, int first, int last) {
    const int span = 2 * (last - first);
    return span > 0 ? double((x - first) + (y - first)) / span : 0.0;
}

// ---- check box -------------------------------------------------------------------------

constexpr int kCell = 16;
const QColor kBoxFrame(31, 80, 128);
const QColor kBoxDisabled(207, 207, 191);

// The classic check mark, three pixels thick: the top row of each of its seven columns.
constexpr int kCheckTop[7] = {2, 3, 4, 3, 2, 1, 0};
constexpr int kCheckLeft = 4, kCheckTopRow = 4;

bool inCheckMark(int x, int y) {
    const int cx = x - kCheckLeft;
    if (cx < 0 || cx >= 7)
        return false;
    const int cy = y - kCheckTopRow;
    return cy >= kCheckTop[cx] && cy < kCheckTop[cx] + 3;
}

bool inSquare(int x, int y) {
    return x >= 3 && x <= 12 && y >= 3 && y <= 12;
}

// Inside pixels run 1..14; the hover rim is their outer two rings.
bool inRim(int x, int y) {
    return x <= 2 || y <= 2 || x >= 13 || y >= 13;
}

QColor boxInside(int look, int value, int x, int y) {
    const double t = diagonal(x, y, 1, 14);
    switch (look) {
    case LookHover:
        if (inRim(x, y))
            return mix(QColor(255, 240, 207), QColor(255, 176, 48), t);
        return value == 1 ? QColor(240, 240, 240) : QColor(224, 224, 224);
    case LookPressed:
        return mix(QColor(176, 176, 160), QColor(240, 239, 223), t);
    case LookDisabled:
        return Qt::white;
    default:
        return mix(QColor(223, 223, 208), Qt::white, t);
    }
}

QColor checkColour(int look, int x, int y) {
    switch (look) {
    case LookPressed:
        return mix(QColor(31, 112, 16), QColor(31, 143, 31),
                   diagonal(x - kCheckLeft, y - kCheckTopRow, 0, 6));
    case LookDisabled:
        return kBoxDisabled;
    default:
        return QColor(32, 160, 32);
    }
}

QColor squareColour(int look, int x, int y) {
    switch (look) {
    case LookHover:
        return QColor(32, 160, 32);
    case LookPressed:
        return mix(QColor(16, 111, 16), QColor(31, 144, 31), diagonal(x, y, 3, 12));
    case LookDisabled:
        return kBoxDisabled;
    default:
        return QColor(160, 208, 160);
    }
}

void drawBoxCell(QImage& strip, int cell) {
    const int value = cell / 4;
    const int look = cell % 4;
    const int top = cell * kCell;
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            QColor c;
            if (x == 0 || y == 0 || x == kCell - 1 || y == kCell - 1)
                c = look == LookDisabled ? kBoxDisabled : kBoxFrame;
            else if (value == 1 && inCheckMark(x, y))
                c = checkColour(look, x, y);
            else if (value == 2 && inSquare(x, y))
                c = squareColour(look, x, y);
            else
                c = boxInside(look, value, x, y);
            strip.setPixelColor(x, top + y, c);
        }
    }
}

// ---- option button ---------------------------------------------------------------------

constexpr int kRadio = 13;
constexpr int kSub = 4; // sub-samples per pixel edge for the soft ring edges
const QColor kRing(28, 81, 128);
const QColor kRingDisabled(202, 200, 187);
const QColor kRadioCorner(181, 206, 241);

QColor radioInside(int look, double distance, int x, int y) {
    const double t = diagonal(x, y, 0, kRadio - 1);
    switch (look) {
    case LookHover:
        if (distance > 3.5)
            return mix(QColor(254, 223, 156), QColor(249, 187, 67), t);
        return QColor(241, 239, 223);
    case LookPressed:
        return mix(QColor(183, 183, 173), QColor(237, 235, 219), t);
    case LookDisabled:
        return Qt::white;
    default:
        return mix(QColor(224, 224, 219), QColor(251, 251, 250), t);
    }
}

// The 5 x 5 centre; the dot leaves out the square's corners to look round.
bool inCentre(int x, int y, bool round) {
    const int dx = x - 4, dy = y - 4;
    if (dx < 0 || dy < 0 || dx > 4 || dy > 4)
        return false;
    const bool corner = (dx == 0 || dx == 4) && (dy == 0 || dy == 4);
    return !(round && corner);
}

} // namespace

QImage checkBoxGlyphStrip() {
    QImage strip(kCell, kCell * 12, QImage::Format_RGB888);
    for (int cell = 0; cell < 12; ++cell)
        drawBoxCell(strip, cell);
    return strip;
}

QImage radioButtonGlyph(int n) {
    if (n < 0 || n > 7)
        return {};
    const bool chosen = n >= 4;
    const int look = n % 4;
    const bool disabled = look == LookDisabled;
    const bool clearCorners = n == 3 || n == 6 || n == 7;
    const double outer = kRadio / 2.0;
    const double ringWidth = disabled ? 2.0 : 1.0;
    const double centre = kRadio / 2.0;

    QImage img(kRadio, kRadio, QImage::Format_ARGB32);
    for (int y = 0; y < kRadio; ++y) {
        for (int x = 0; x < kRadio; ++x) {
            // Cover the pixel with sub-samples so the ring's edges blend into what lies beside.
            int outside = 0, ring = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double px = x + (sx + 0.5) / kSub - centre;
                    const double py = y + (sy + 0.5) / kSub - centre;
                    const double d = std::sqrt(px * px + py * py);
                    if (d > outer)
                        ++outside;
                    else if (d > outer - ringWidth)
                        ++ring;
                }
            }
            const int total = kSub * kSub;
            const int inside = total - outside - ring;
            const double d = std::hypot(x + 0.5 - centre, y + 0.5 - centre);

            QColor in;
            if (chosen && inCentre(x, y, !disabled)) {
                in = disabled ? QColor(192, 191, 181)
                              : mix(QColor(85, 213, 81), QColor(19, 146, 16), diagonal(x, y, 4, 8));
            } else {
                in = radioInside(look, d, x, y);
            }
            const QColor edge = disabled ? kRingDisabled : kRing;
            const QColor corner =
                clearCorners ? QColor(edge.red(), edge.green(), edge.blue(), 0) : kRadioCorner;

            double r = 0, g = 0, b = 0, a = 0;
            auto add = [&](const QColor& c, int weight) {
                const double w = double(weight) / total * c.alphaF();
                r += c.redF() * w;
                g += c.greenF() * w;
                b += c.blueF() * w;
                a += w;
            };
            add(corner, outside);
            add(edge, ring);
            add(in, inside);
            if (a <= 0.0) {
                img.setPixelColor(x, y, QColor(0, 0, 0, 0));
                continue;
            }
            img.setPixelColor(x, y,
                              QColor::fromRgbF(static_cast<float>(r / a), static_cast<float>(g / a),
                                               static_cast<float>(b / a), static_cast<float>(a)));
        }
    }
    return img;
}

} // namespace korimo
