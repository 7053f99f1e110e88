#include "controls/xpradiobutton.h"

#include "controls/xpglyphs.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPointer>
#include <array>

namespace korimo {

namespace {
const std::array<QImage, 8>& glyphs() {
    static const std::array<QImage, 8> img = [] {
        std::array<QImage, 8> out;
        for (int i = 0; i < 8; ++i)
            out[static_cast<size_t>(i)] = radioButtonGlyph(i);
        return out;
    }();
    return img;
}

const QColor kDisabledCaption(161, 161, 146);
} // namespace

xpradiobutton::xpradiobutton(QWidget* parent, const QString& name) : XpGlyphControl(parent) {
    setObjectName(name);
    m_font = hostFont();
    QFont captionFont(QStringLiteral("Tahoma"));
    captionFont.setPointSizeF(9);
    m_lbl->setFont(captionFont);
    m_lbl->setText(QStringLiteral("Label1"));
    m_lbl->adjustSize();
    resize(twipsToPixels(255), twipsToPixels(255));
    layoutParts();
    DrawNormal();
    applyBackColor();
    applyCaptionColour();
}

QFont xpradiobutton::hostFont() const {
    const QWidget* host = parentWidget();
    return host ? host->font() : QApplication::font();
}

int xpradiobutton::glyphIndex(int look) const {
    return 4 * (m_value ? 1 : 0) + look;
}

QImage xpradiobutton::glyphPicture(int index) const {
    return index >= 0 && index < 8 ? glyphs()[static_cast<size_t>(index)] : QImage();
}

void xpradiobutton::setValue(bool value) {
    m_value = value;
    DrawNormal();
    emit PropertyChanged(QStringLiteral("Value"));
}

void xpradiobutton::UserControl_Click() {
    QPointer<xpradiobutton> self(this);
    emit Click();
    if (!self)
        return;
    for (xpradiobutton* other : window()->findChildren<xpradiobutton*>())
        other->setValue(false);
    setValue(true);
    DrawNormal();
}

int xpradiobutton::captionTopTwips(double controlHeightTwips, double captionHeightTwips) {
    return halfOfDifference(controlHeightTwips, captionHeightTwips) - 40;
}

void xpradiobutton::layoutParts() {
    placeParts(280, captionTopTwips(scaleHeightTwips(), captionHeightTwips()));
}

QPointF xpradiobutton::glyphMovePosition(const QPointF&) const {
    return QPointF(m_p->pos());
}

void xpradiobutton::enabledApplied() {
    applyCaptionColour();
}

void xpradiobutton::applyCaptionColour() {
    setCaptionColour(Enabled() ? oleToQColor(m_foreColor) : kDisabledCaption);
}

void xpradiobutton::applyBackColor() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, oleToQColor(m_backColor));
    setPalette(pal);
}

void xpradiobutton::setFont(const QFont& font) {
    m_font = font;
    QWidget::setFont(font);
    m_lbl->setFont(font);
    m_lbl->adjustSize();
    layoutParts();
    emit PropertyChanged(QStringLiteral("Font"));
}

void xpradiobutton::setBackColor(OleColor colour) {
    m_backColor = colour;
    emit PropertyChanged(QStringLiteral("BackColor"));
    applyBackColor();
}

void xpradiobutton::setForeColor(OleColor colour) {
    m_foreColor = colour;
    emit PropertyChanged(QStringLiteral("ForeColor"));
    applyCaptionColour();
}

void xpradiobutton::InitProperties() {
    setCaption(objectName());
    setEnabled(true);
    setValue(false);
    setFont(hostFont());
    setBackColor(kSysButtonFace);
    setForeColor(0);
}

void xpradiobutton::ReadProperties(const PropertyBag& bag) {
    setValue(readStored(bag, QStringLiteral("Value"), false).toBool());
    setCaption(readStored(bag, QStringLiteral("Caption"), objectName()).toString());
    setEnabled(readStored(bag, QStringLiteral("Enabled"), true).toBool());
    setFont(readStored(bag, QStringLiteral("Font"), hostFont()).value<QFont>());
    setBackColor(readStored(bag, QStringLiteral("BackColor"), kSysButtonFace).toInt());
    setForeColor(readStored(bag, QStringLiteral("ForeColor"), 0).toInt());
}

void xpradiobutton::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("Font"), m_font, hostFont());
    bag.WriteProperty(QStringLiteral("Value"), m_value, false);
    bag.WriteProperty(QStringLiteral("Caption"), Caption(), objectName());
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteProperty(QStringLiteral("BackColor"), m_backColor, kSysButtonFace);
    bag.WriteProperty(QStringLiteral("ForeColor"), m_foreColor, 0);
}

} // namespace korimo
