#pragma once

#include "controls/xpglyphscontrol.h"
#include "widgets/pictureclip.h"

namespace korimo {

// The XP-look check box: a 16 x 16 glyph cut from one strip, with the caption to its right.
// Value 0 is unchecked, 1 checked, 2 the third state; any other number is kept and shows no cell.
class xpcheckbox : public XpGlyphControl {
    Q_OBJECT
public:
    explicit xpcheckbox(QWidget* parent = nullptr, const QString& name = QStringLiteral("Check1"));

    int Value() const { return m_value; }
    // Raises no Click: only the user's click does.
    void setValue(int value);

    // The stored properties of a placed instance.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // The caption's Top in twips for a control and a caption of these heights.
    static int captionTopTwips(double controlHeightTwips, double captionHeightTwips);

protected:
    int glyphIndex(int look) const override;
    QImage glyphPicture(int index) const override;
    void UserControl_Click() override;
    void layoutParts() override;
    void enabledApplied() override;

private:
    PictureClip m_pc;
    int m_value = 0;
};

} // namespace korimo
