#include "widgets/elastic.h"

#include "forms/runtime.h"

#include <QChildEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace korimo {

QRect elasticPlace(const QRect& place, QSize from, QSize to) {
    if (from.isEmpty() || from == to)
        return place;
    const auto x = [&](int v) {
        return static_cast<int>(std::lround(static_cast<double>(v) * to.width() / from.width()));
    };
    const auto y = [&](int v) {
        return static_cast<int>(std::lround(static_cast<double>(v) * to.height() / from.height()));
    };
    const int left = x(place.x());
    const int top = y(place.y());
    int width = x(place.x() + place.width()) - left;
    int height = y(place.y() + place.height()) - top;
    // A control shrunk below a pixel would vanish for good.
    if (place.width() > 0)
        width = std::max(width, 1);
    if (place.height() > 0)
        height = std::max(height, 1);
    return QRect(left, top, width, height);
}

Elastic::Elastic(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

void Elastic::setLayoutMode(int mode) {
    const bool holding = m_layoutMode != 0 && m_base.isValid();
    m_layoutMode = mode;
    // Whatever the released layout left, size and places, is the design from now on.
    if (mode != 0 && !holding)
        takeBase();
}

QList<QWidget*> Elastic::controls() const {
    QList<QWidget*> out;
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow())
            out << w;
    }
    return out;
}

void Elastic::takeBase() {
    m_base = size();
    m_laidOut = size();
    m_places.clear();
    for (QWidget* c : controls())
        m_places.insert(c, Place{c->geometry(), c->geometry()});
}

void Elastic::scaleControls() {
    for (QWidget* c : controls()) {
        auto it = m_places.find(c);
        if (it == m_places.end() || c->geometry() != it->applied) {
            // Placed or moved by its window since the last layout: that place, taken back to
            // the base, is its design now.
            const QRect base = elasticPlace(c->geometry(), m_laidOut, m_base);
            it = m_places.insert(c, Place{base, c->geometry()});
        }
        c->setGeometry(elasticPlace(it->base, m_base, size()));
        // A control with a fixed or minimum size may not take the place exactly.
        it->applied = c->geometry();
    }
    m_laidOut = size();
}

void Elastic::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The first size the skin is laid out at is the one its controls were placed for.
    if (m_layoutMode == 0 || !m_base.isValid())
        takeBase();
    else if (size() != m_laidOut)
        scaleControls();
}

void Elastic::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->removed())
        m_places.remove(event->child());
}

void Elastic::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

QImage Elastic::shownPicture() const {
    if (m_picture.isNull() || size().isEmpty())
        return m_picture;
    return m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage Elastic::shadedSkin(QSize size, const QGradientStops& stops) {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, img.height());
    g.setStops(stops);
    p.fillRect(img.rect(), g);
    return img;
}

QImage Elastic::darkSkin(QSize size, QColor accent) {
    QImage img = shadedSkin(
        size.expandedTo(QSize(1, 1)),
        {{0.0, QColor(58, 60, 72)}, {0.5, QColor(30, 31, 38)}, {1.0, QColor(14, 14, 18)}});
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(accent.lighter(220), 2));
    p.drawRoundedRect(QRectF(img.rect()).adjusted(1, 1, -1, -1), 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.drawLine(12, 3, img.width() - 12, 3);
    return img;
}

void Elastic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_picture.isNull())
        p.fillRect(rect(), QColor(30, 31, 38));
    else
        p.drawImage(rect(), m_picture);
}

void Elastic::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseDown(vbButton(event->button()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void Elastic::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseMove(vbButton(event->buttons()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

} // namespace korimo
