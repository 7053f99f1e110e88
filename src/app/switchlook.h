#pragma once

namespace korimo {
class Button_XP;

// A switch button of the transport strip keeps its state in its look alone: on is style 2 with
// the button's own colours, off is style 3 with the XP colours.
void setSwitchLook(Button_XP* button, bool on);
bool switchIsOn(const Button_XP* button);
} // namespace korimo
