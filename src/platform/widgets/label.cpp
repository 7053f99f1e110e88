#include "widgets/label.h"

#include "forms/runtime.h"

#include <QMouseEvent>

namespace korimo {

Label::Label(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    setWordWrap(true);
    setForeColor(kSysButtonText);
}

void Label::setForeColor(OleColor colour) {
    m_foreColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, oleToQColor(colour));
    setPalette(p);
}

void Label::setAlignment(int alignment) {
    const Qt::Alignment h = alignment == 2   ? Qt::AlignHCenter
                            : alignment == 1 ? Qt::AlignRight
                                             : Qt::AlignLeft;
    QLabel::setAlignment(h | Qt::AlignTop);
}

void Label::mousePressEvent(QMouseEvent* event) {
    m_pressed = true;
    const QPointF pos = event->position();
    emit MouseDown(vbButton(event->button()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit Click();
}

void Label::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    emit MouseMove(vbButton(event->buttons()), vbShift(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

} // namespace korimo
