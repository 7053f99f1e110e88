#include "app/transportglyphs.h"

#include <QPainter>
#include <QPolygon>

namespace korimo {

namespace {

// Light but not white: the hover shadow and the disabled emboss take white as the ground.
const QColor kInk(226, 226, 226);

void triangleRight(QPainter& p, int left, int top, int width, int height) {
    p.drawPolygon(QPolygon({QPoint(left, top), QPoint(left + width - 1, top + height / 2),
                            QPoint(left, top + height - 1)}));
}

void bar(QPainter& p, int left, int top, int width, int height) {
    p.fillRect(QRect(left, top, width, height), kInk);
}

void arrowHead(QPainter& p, QPoint tip, int dx, int dy) {
    // A small filled head pointing along (dx, dy), one of the four axis directions.
    const QPoint side(dy, dx);
    p.drawPolygon(
        QPolygon({tip, tip - QPoint(dx, dy) * 3 + side * 3, tip - QPoint(dx, dy) * 3 - side * 3}));
}

} // namespace

QImage transportGlyph(TransportGlyph glyph) {
    // Each left-pointing glyph is its right-pointing twin seen in a mirror.
    switch (glyph) {
    case TransportGlyph::PrevFrame:
        return transportGlyph(TransportGlyph::NextFrame).mirrored(true, false);
    case TransportGlyph::SeekStart:
        return transportGlyph(TransportGlyph::SeekEnd).mirrored(true, false);
    case TransportGlyph::SelEnd:
        return transportGlyph(TransportGlyph::SelStart).mirrored(true, false);
    default:
        break;
    }
    QImage image(kTransportGlyphSize, kTransportGlyphSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kInk);
    switch (glyph) {
    case TransportGlyph::Play:
        triangleRight(p, 3, 1, 7, 11);
        break;
    case TransportGlyph::Pause:
        bar(p, 2, 1, 3, 10);
        bar(p, 7, 1, 3, 10);
        break;
    case TransportGlyph::NextFrame:
        triangleRight(p, 2, 1, 6, 10);
        bar(p, 9, 2, 2, 8);
        break;
    case TransportGlyph::SeekEnd:
        triangleRight(p, 1, 2, 5, 8);
        triangleRight(p, 5, 2, 5, 8);
        bar(p, 10, 2, 2, 8);
        break;
    case TransportGlyph::Sound:
        bar(p, 1, 4, 3, 4);
        p.drawPolygon(QPolygon({QPoint(3, 4), QPoint(6, 1), QPoint(6, 10), QPoint(3, 7)}));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(5, 3, 4, 6), -60 * 16, 120 * 16);
        p.drawArc(QRect(5, 1, 6, 10), -60 * 16, 120 * 16);
        break;
    case TransportGlyph::AutoRewind:
        // An arc turning back to the start, with its head at the top left.
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(1, 1, 10, 10), 120 * 16, -300 * 16);
        p.setBrush(kInk);
        arrowHead(p, QPoint(1, 3), -1, 0);
        bar(p, 1, 1, 1, 3);
        break;
    case TransportGlyph::Loop:
        // A rounded loop with a ">" on its top run and a "<" on its bottom run.
        p.drawLine(2, 3, 9, 3);
        p.drawLine(2, 9, 9, 9);
        p.drawLine(1, 4, 1, 8);
        p.drawLine(10, 4, 10, 8);
        p.drawPolyline(QPolygon({QPoint(6, 1), QPoint(8, 3), QPoint(6, 5)}));
        p.drawPolyline(QPolygon({QPoint(5, 7), QPoint(3, 9), QPoint(5, 11)}));
        break;
    case TransportGlyph::SelStart:
        bar(p, 1, 1, 2, 10);
        bar(p, 3, 1, 2, 2);
        bar(p, 3, 9, 2, 2);
        triangleRight(p, 6, 3, 4, 6);
        break;
    default:
        break;
    }
    p.end();
    return image;
}

} // namespace korimo
