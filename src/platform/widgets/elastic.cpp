#include "widgets/elastic.h"

#include "forms/runtime.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace korimo {

Elastic::Elastic(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
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

QImage Elastic::darkSkin(QSize size, QColor accent) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, img.height());
    g.setColorAt(0.0, QColor(58, 60, 72));
    g.setColorAt(0.5, QColor(30, 31, 38));
    g.setColorAt(1.0, QColor(14, 14, 18));
    p.fillRect(img.rect(), g);
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
