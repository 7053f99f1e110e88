#pragma once

#include "controls/xpglyphscontrol.h"
#include "draw/olecolor.h"

#include <QFont>

namespace korimo {

// The XP-look option button: a round 13 x 13 glyph with the caption to its right. All option
// buttons of one window form one group, whatever containers hold them.
class xpradiobutton : public XpGlyphControl {
    Q_OBJECT
public:
    explicit xpradiobutton(QWidget* parent = nullptr,
                           const QString& name = QStringLiteral("Option1"));

    bool Value() const { return m_value; }
    // Raises no Click and leaves the other option buttons alone.
    void setValue(bool value);

    QFont Font() const { return m_font; }
    void setFont(const QFont& font);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor colour);
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor colour);

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // The caption's Top in twips: centred beside the glyph, then raised by 40.
    static int captionTopTwips(double controlHeightTwips, double captionHeightTwips);

protected:
    int glyphIndex(int look) const override;
    QImage glyphPicture(int index) const override;
    void UserControl_Click() override;
    void layoutParts() override;
    void enabledApplied() override;
    QPointF glyphMovePosition(const QPointF& pointer) const override;

private:
    void applyCaptionColour();
    void applyBackColor();
    QFont hostFont() const;

    bool m_value = false;
    QFont m_font;
    OleColor m_backColor = kSysButtonFace;
    OleColor m_foreColor = 0;
};

} // namespace korimo
