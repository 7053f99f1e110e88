#include "controls/xpcheckbox.h"

#include "controls/xpglyphs.h"
#include "draw/olecolor.h"
#include "forms/propertybag.h"

#include "forms/runtime.h"

#include <QLabel>
#include <QPalette>
#include <QPointer>

namespace korimo {

namespace {
const PictureClip& glyphStrip() {
    static const PictureClip strip(checkBoxGlyphStrip(), 12, 1);
    return strip;
}
} // namespace

xpcheckbox::xpcheckbox(QWidget* parent, const QString& name)
    : XpGlyphControl(parent), m_pc(glyphStrip()) {
    setObjectName(name);
    m_p->setAutoFillBackground(true);
    m_p->setPalette(QPalette(oleToQColor(kSysWindow)));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(9);
    f.setBold(true);
    m_lbl->setFont(f);
    setCaptionColour(Qt::black);
    m_lbl->setText(QStringLiteral("Check1"));
    m_lbl->adjustSize();
    resize(twipsToPixels(255), twipsToPixels(255));
    DrawNormal();
    layoutParts();
}

int xpcheckbox::glyphIndex(int look) const {
    if (m_value < 0 || m_value > 2)
        return -1;
    return 4 * m_value + look;
}

QImage xpcheckbox::glyphPicture(int index) const {
    return m_pc.GraphicCell(index);
}

void xpcheckbox::setValue(int value) {
    m_value = value;
    DrawNormal();
    emit PropertyChanged(QStringLiteral("Value"));
}

void xpcheckbox::UserControl_Click() {
    QPointer<xpcheckbox> self(this);
    emit Click();
    // The host's handler may have closed the window that holds this box.
    if (!self)
        return;
    switch (m_value) {
    case 0:
        setValue(1);
        break;
    case 1:
    case 2:
        setValue(0);
        break;
    default:
        setValue(m_value);
        break;
    }
    DrawNormal();
}

int xpcheckbox::captionTopTwips(double controlHeightTwips, double captionHeightTwips) {
    return halfOfDifference(controlHeightTwips, captionHeightTwips);
}

void xpcheckbox::layoutParts() {
    placeParts(380, captionTopTwips(scaleHeightTwips(), captionHeightTwips()));
}

void xpcheckbox::enabledApplied() {
    if (Enabled())
        setCaptionColour(Qt::black);
}

void xpcheckbox::InitProperties() {
    setCaption(objectName());
    setEnabled(true);
    setValue(0);
}

void xpcheckbox::ReadProperties(const PropertyBag& bag) {
    setValue(readStored(bag, QStringLiteral("Value"), 0).toInt());
    setCaption(readStored(bag, QStringLiteral("Caption"), objectName()).toString());
    setEnabled(readStored(bag, QStringLiteral("Enabled"), true).toBool());
    // The surface keeps showing the host's background; the colours only serve the palette.
    QPalette pal = palette();
    pal.setColor(QPalette::Window,
                 oleToQColor(readStored(bag, QStringLiteral("BackColor"), kSysButtonFace).toInt()));
    pal.setColor(QPalette::WindowText,
                 oleToQColor(readStored(bag, QStringLiteral("ForeColor"), 0).toInt()));
    setPalette(pal);
}

void xpcheckbox::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("Value"), m_value, 0);
    bag.WriteProperty(QStringLiteral("Caption"), Caption(), objectName());
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
}

} // namespace korimo
