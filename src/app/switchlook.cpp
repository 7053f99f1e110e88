#include "app/switchlook.h"

#include "controls/button_xp.h"

namespace korimo {

void setSwitchLook(Button_XP* button, bool on) {
    // The order matters: the style is set before the colours.
    if (on) {
        button->setButtonStyle(2);
        button->setXPDefaultColors(false);
    } else {
        button->setButtonStyle(3);
        button->setXPDefaultColors(true);
    }
}

bool switchIsOn(const Button_XP* button) {
    return button->ButtonStyle() == 2;
}

} // namespace korimo
