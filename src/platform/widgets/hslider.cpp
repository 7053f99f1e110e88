#include "widgets/hslider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace korimo {

namespace {
constexpr int kThumbWidth = 9;
}

HSlider::HSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void HSlider::setValue(int value) {
    value = std::clamp(value, 0, m_max);
    if (value == m_value)
        return;
    m_value = value;
    update();
    emit Change();
}

void HSlider::setMax(int max) {
    m_max = std::max(0, max);
    if (m_value > m_max) {
        m_value = m_max;
        emit Change();
    }
    update();
}

void HSlider::setSelStart(int start) {
    m_selStart = std::max(0, start);
    update();
}

void HSlider::setsellength(int length) {
    m_selLength = std::max(0, length);
    update();
}

QRect HSlider::trackRect() const {
    const int h = 4;
    return QRect(kThumbWidth / 2, height() / 2 - h / 2, std::max(1, width() - kThumbWidth), h);
}

int HSlider::xFor(int value) const {
    const QRect t = trackRect();
    if (m_max <= 0)
        return t.left();
    return t.left() + static_cast<int>(static_cast<long long>(value) * t.width() / m_max);
}

int HSlider::valueAt(int x) const {
    const QRect t = trackRect();
    if (t.width() <= 0 || m_max <= 0)
        return 0;
    const long long v = static_cast<long long>(x - t.left()) * m_max / t.width();
    return static_cast<int>(std::clamp<long long>(v, 0, m_max));
}

void HSlider::userMove(int value) {
    value = std::clamp(value, 0, m_max);
    if (value == m_value)
        return;
    setValue(value);
    emit Scroll();
}

void HSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect t = trackRect();
    p.fillRect(t, QColor(20, 20, 28));
    p.setPen(QColor(90, 90, 110));
    p.drawRect(t.adjusted(0, 0, -1, -1));
    if (m_selLength > 0 && m_max > 0) {
        const int x0 = xFor(std::min(m_selStart, m_max));
        const int x1 = xFor(std::min(m_selStart + m_selLength, m_max));
        p.fillRect(QRect(x0, t.top() - 3, std::max(1, x1 - x0), 2), QColor(49, 106, 197));
        p.fillRect(QRect(x0, t.bottom() + 2, std::max(1, x1 - x0), 2), QColor(49, 106, 197));
    }
    const int x = xFor(m_value);
    const QRect thumb(x - kThumbWidth / 2, 2, kThumbWidth, height() - 4);
    p.fillRect(thumb, isEnabled() ? QColor(226, 199, 90) : QColor(120, 120, 120));
    p.setPen(QColor(60, 40, 0));
    p.drawRect(thumb.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        p.setPen(QPen(QColor(200, 200, 200), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void HSlider::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        userMove(m_value - m_smallChange);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        userMove(m_value + m_smallChange);
        break;
    case Qt::Key_Home:
        userMove(0);
        break;
    case Qt::Key_End:
        userMove(m_max);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void HSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    userMove(valueAt(event->position().toPoint().x()));
}

void HSlider::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        userMove(valueAt(event->position().toPoint().x()));
}

void HSlider::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

} // namespace korimo
