#include "controls/xpglyphscontrol.h"

#include "controls/xpglyphs.h"
#include "controls/xpshared.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <cmath>

namespace korimo {

void GlyphPicture::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void GlyphPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

XpGlyphControl::XpGlyphControl(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);

    m_p = new GlyphPicture(this);
    m_p->setObjectName(QStringLiteral("p"));
    m_p->setMouseTracking(true);
    m_p->installEventFilter(this);

    m_lbl = new QLabel(this);
    m_lbl->setObjectName(QStringLiteral("lbl"));
    m_lbl->setAttribute(Qt::WA_TranslucentBackground);
    m_lbl->setMouseTracking(true);
    m_lbl->installEventFilter(this);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kHoverPollMs);
    connect(m_timer, &QTimer::timeout, this, [this] { skipOnError([this] { Timer1_Timer(); }); });
    m_timer->start();
}

QWidget* XpGlyphControl::glyphPart() const {
    return m_p;
}

bool XpGlyphControl::hoverWatchRunning() const {
    return m_timer->isActive();
}

int XpGlyphControl::halfOfDifference(double a, double b) {
    return static_cast<int>(std::nearbyint(a - b)) / 2;
}

int XpGlyphControl::glyphTopTwips(double controlHeightTwips) {
    return halfOfDifference(controlHeightTwips, 240);
}

QVariant XpGlyphControl::readStored(const PropertyBag& bag, const QString& key,
                                    const QVariant& fallback) {
    if (bag.contains(key))
        return bag.ReadProperty(key, fallback);
    const QStringList keys = bag.keys();
    for (const QString& stored : keys)
        if (stored.compare(key, Qt::CaseInsensitive) == 0)
            return bag.ReadProperty(stored, fallback);
    return fallback;
}

void XpGlyphControl::setEnabled(bool on) {
    QWidget::setEnabled(on);
    if (on)
        DrawNormal();
    else
        DrawDisabled();
    enabledApplied();
}

QString XpGlyphControl::Caption() const {
    return m_lbl->text();
}

void XpGlyphControl::setCaption(const QString& caption) {
    m_lbl->setText(caption);
    m_lbl->adjustSize();
    layoutParts();
    emit PropertyChanged(QStringLiteral("Caption"));
}

void XpGlyphControl::DrawNormal() {
    if (Enabled())
        showLook(LookNormal);
    else
        DrawDisabled();
}

void XpGlyphControl::DrawDisabled() {
    showGlyph(glyphIndex(LookDisabled));
}

void XpGlyphControl::showLook(int look) {
    if (Enabled())
        showGlyph(glyphIndex(look));
}

void XpGlyphControl::showGlyph(int index) {
    if (index < 0)
        return;
    m_shown = index;
    m_p->setPicture(glyphPicture(index));
}

void XpGlyphControl::UserControl_MouseDown(int Button, int Shift, float X, float Y) {
    showLook(LookPressed);
    emit MouseDown(Button, Shift, X, Y);
}

void XpGlyphControl::UserControl_MouseMove(int Button, int Shift, float X, float Y) {
    if (!m_timer->isActive())
        m_timer->start();
    // Right and bottom edges count as inside, as the pointer test of the hover watch does.
    if (X < 0 || Y < 0 || X > width() || Y > height())
        return;
    QPointer<XpGlyphControl> self(this);
    emit MouseMove(Button, Shift, X, Y);
    if (self)
        showLook(Button == 1 ? LookPressed : LookHover);
}

void XpGlyphControl::UserControl_MouseUp(int Button, int Shift, float X, float Y) {
    emit MouseUp(Button, Shift, X, Y);
}

void XpGlyphControl::Timer1_Timer() {
    const QPoint pt = mapFromGlobal(QCursor::pos());
    // A hidden control has no pointer over it, so its watch does not poll forever.
    const bool outside =
        !isVisible() || pt.x() < 0 || pt.y() < 0 || pt.x() > width() || pt.y() > height();
    if (!outside)
        return;
    DrawNormal();
    m_timer->stop();
    emit MouseOut();
}

void XpGlyphControl::setCaptionColour(const QColor& colour) {
    QPalette pal = m_lbl->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, colour);
    m_lbl->setPalette(pal);
}

double XpGlyphControl::scaleHeightTwips() const {
    return pixelsToTwips(height());
}

double XpGlyphControl::captionHeightTwips() const {
    return pixelsToTwips(m_lbl->height());
}

void XpGlyphControl::placeParts(int captionLeftTwips, int captionTopTwips) {
    m_p->setGeometry(twipsRect(0, glyphTopTwips(scaleHeightTwips()), 240, 240));
    m_lbl->move(twipsToPixels(captionLeftTwips), twipsToPixels(captionTopTwips));
}

void XpGlyphControl::press(QWidget* part, QMouseEvent* event) {
    m_pressedPart = event->button() == Qt::LeftButton ? part : nullptr;
    const QPointF pos = event->position();
    UserControl_MouseDown(vbButton(event->button()), vbShift(event->modifiers()),
                          static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void XpGlyphControl::release(QWidget* part, QMouseEvent* event) {
    const QPointF pos = event->position();
    const bool click = event->button() == Qt::LeftButton && m_pressedPart == part &&
                       part->rect().contains(pos.toPoint());
    m_pressedPart = nullptr;
    QPointer<XpGlyphControl> self(this);
    UserControl_MouseUp(vbButton(event->button()), vbShift(event->modifiers()),
                        static_cast<float>(pos.x()), static_cast<float>(pos.y()));
    if (self && click)
        UserControl_Click();
}

void XpGlyphControl::mousePressEvent(QMouseEvent* event) {
    press(this, event);
}

void XpGlyphControl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a quick double click is an ordinary press, so it clicks again.
    press(this, event);
}

void XpGlyphControl::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    UserControl_MouseMove(vbButton(event->buttons()), vbShift(event->modifiers()),
                          static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void XpGlyphControl::mouseReleaseEvent(QMouseEvent* event) {
    release(this, event);
}

void XpGlyphControl::keyPressEvent(QKeyEvent* event) {
    QPointer<XpGlyphControl> self(this);
    emit KeyDown(vbKeyCode(event->key()), vbShift(event->modifiers()));
    const QString text = event->text();
    if (self && text.size() == 1 && text.at(0).unicode() < 256 && text.at(0).unicode() != 0)
        emit KeyPress(text.at(0).unicode());
}

void XpGlyphControl::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat())
        return;
    emit KeyUp(vbKeyCode(event->key()), vbShift(event->modifiers()));
}

void XpGlyphControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

bool XpGlyphControl::event(QEvent* event) {
    // A host's handler that throws stops at the control; Qt's event loop must never unwind.
    bool handled = true; // kept when what threw was our handling of the event
    skipOnError([&] { handled = QWidget::event(event); });
    return handled;
}

bool XpGlyphControl::eventFilter(QObject* watched, QEvent* event) {
    bool filtered = true; // kept when what threw was our handling of a part's event
    skipOnError([&] { filtered = filterPartEvent(watched, event); });
    return filtered;
}

bool XpGlyphControl::filterPartEvent(QObject* watched, QEvent* event) {
    auto* part = qobject_cast<QWidget*>(watched);
    if (part != m_p && part != m_lbl)
        return QWidget::eventFilter(watched, event);
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
        event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease;
    // Filters see a disabled part's input before Qt drops it; a disabled control takes none.
    if (mouse && !isEnabled())
        return true;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        press(part, static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPointF pos = part == m_p ? glyphMovePosition(me->position()) : me->position();
        UserControl_MouseMove(vbButton(me->buttons()), vbShift(me->modifiers()),
                              static_cast<float>(pos.x()), static_cast<float>(pos.y()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        release(part, static_cast<QMouseEvent*>(event));
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

} // namespace korimo
