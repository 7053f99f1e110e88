#include "widgets/picturebox.h"

#include "forms/runtime.h"

#include <QMouseEvent>
#include <QPainter>

namespace korimo {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture;
    followPicture();
    update();
}

void PictureBox::setAutoSize(bool on) {
    m_autoSize = on;
    followPicture();
}

void PictureBox::followPicture() {
    // An empty picture leaves the box as it is, as a box without a picture has no size to take.
    if (m_autoSize && !m_picture.isNull() && size() != m_picture.size()) {
        resize(m_picture.size());
        emit Resize();
    }
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!m_picture.isNull())
        p.drawImage(0, 0, m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseDown(vbButton(event->button()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

} // namespace korimo
