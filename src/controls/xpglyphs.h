#pragma once

#include <QImage>

namespace korimo {

// The looks a glyph is drawn in; a glyph's index adds the look to a base chosen by the value.
enum GlyphLook { LookNormal = 0, LookHover = 1, LookPressed = 2, LookDisabled = 3 };

// The check box's twelve 16 x 16 cells, one under the other in a 24-bit strip of 16 x 192
// pixels: cell 4 x value + look.
QImage checkBoxGlyphStrip();

// The option button's 13 x 13 picture n (0 to 7): 4 x chosen + look. Pictures 3, 6 and 7 have
// transparent corners; a null image for any other n.
QImage radioButtonGlyph(int n);

} // namespace korimo
