#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

namespace korimo {

// The main window's skin picture, 492 x 335, stretched over the whole window: a dark panel with
// a light caption band for the black caption labels, and a gold frame that lies just outside the
// video area at every size the window takes.
QImage mainSkin();
// The video area's place on the design window, in twips; the frame in the skin is drawn from it.
inline constexpr QRect kMainVideoTwips{880, 360, 6830, 5295};
inline constexpr QSize kMainDesignTwips{10755, 7170};
inline constexpr QSize kMainSkinSize{492, 335};

// An options page: a dark band for the white heading over a light body on which the dark blue
// notes and the black texts beside the boxes read.
QImage optionsPageSkin(QSize size);
// How far down the page the heading's band reaches, in pixels.
inline constexpr int kOptionsHeadingBand = 38;

} // namespace korimo
