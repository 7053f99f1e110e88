#pragma once

#include <QImage>

namespace korimo {

enum class TransportGlyph {
    Play,
    Pause,
    PrevFrame,
    NextFrame,
    Sound,
    AutoRewind,
    Loop,
    SeekStart,
    SeekEnd,
    SelStart,
    SelEnd
};

// The transport buttons' small pictures: 12 x 12, light grey strokes on a transparent ground
// (black once made opaque, the default MaskColor), so only the strokes reach the face.
inline constexpr int kTransportGlyphSize = 12;
QImage transportGlyph(TransportGlyph glyph);

} // namespace korimo
