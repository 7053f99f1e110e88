#pragma once

#include "draw/olecolor.h"

#include <QRect>
#include <QString>

class QWidget;

namespace korimo {

class Button_XP;

// The stored design values a window gives one of its push buttons.
struct ButtonDesign {
    QRect geometry; // pixels
    QString caption;
    bool enabled = true;
    int style = 3;
    OleColor backColor = 0x00000040;
    OleColor foreColor = 0x00FFFFFF;
    // The caption's MS Sans Serif 8.25 pt in bold.
    bool bold = false;
    // Switch buttons keep their dark face when hovered or pressed in the on look.
    bool keepFaceColours = false;
};

// Places a push button from its design values, the way a window loads its stored buttons.
Button_XP* placeButton(QWidget* parent, const ButtonDesign& design);

} // namespace korimo
