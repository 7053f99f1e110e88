#include "controls/button_place.h"

#include "controls/button_xp.h"
#include "forms/propertybag.h"
#include "forms/runtime.h"

namespace korimo {

Button_XP* placeButton(QWidget* parent, const ButtonDesign& design) {
    auto* b = new Button_XP(parent);
    b->setGeometry(design.geometry);
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Caption"), design.caption);
    bag.WriteProperty(QStringLiteral("ButtonStyle"), design.style);
    bag.WriteProperty(QStringLiteral("BackColor"), design.backColor);
    if (!design.caption.isEmpty())
        bag.WriteProperty(QStringLiteral("ForeColor"), design.foreColor);
    bag.WriteProperty(QStringLiteral("MousePointer"), 99);
    bag.WriteProperty(QStringLiteral("Font"),
                      designFont(QStringLiteral("MS Sans Serif"), 8.25, design.bold));
    bag.WriteProperty(QStringLiteral("Enabled"), design.enabled);
    if (design.keepFaceColours) {
        bag.WriteProperty(QStringLiteral("XPColor_Hover"), design.backColor);
        bag.WriteProperty(QStringLiteral("XPColor_Pressed"), design.backColor);
    }
    b->UserControl_ReadProperties(bag);
    return b;
}

} // namespace korimo
