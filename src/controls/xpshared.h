#pragma once

class QWidget;

namespace korimo {

// The XP controls watch the pointer with their own timer at this interval.
inline constexpr int kHoverPollMs = 10;

// Whether the window under the mouse pointer is this control (or one of its children); the
// hover timers stop hovering the moment it is not.
bool pointerOverControl(const QWidget* control);

} // namespace korimo
