#pragma once

#include <QColor>
#include <cstdint>

namespace korimo {

// A 32-bit OLE colour: 0 to 0xFFFFFF is a BGR value (red in the low byte); any other value names
// a system colour by its low byte.
using OleColor = std::int32_t;

inline constexpr OleColor kSysButtonFace = static_cast<OleColor>(0x8000000F);
inline constexpr OleColor kSysButtonText = static_cast<OleColor>(0x80000012);
inline constexpr OleColor kSys3DHighlight = static_cast<OleColor>(0x80000014);
inline constexpr OleColor kSys3DLight = static_cast<OleColor>(0x80000016);
inline constexpr OleColor kSysHighlight = static_cast<OleColor>(0x8000000D);
inline constexpr OleColor kSysButtonShadow = static_cast<OleColor>(0x80000010);
inline constexpr OleColor kSys3DDarkShadow = static_cast<OleColor>(0x80000015);
inline constexpr OleColor kSysWindow = static_cast<OleColor>(0x80000005);

// The classic XP system colour of an index (the low byte of a system OLE colour), as a BGR
// value. Fixed, so the controls look the same on every desktop; unknown indexes give black.
std::uint32_t GetSysColor(std::uint32_t index);

// c itself when it is a plain colour, otherwise the system colour its low three bytes name
// (an index past the table gives black).
std::uint32_t TranslateColor(OleColor c);

inline constexpr std::uint32_t RGBValue(int r, int g, int b) {
    return static_cast<std::uint32_t>(r & 0xFF) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
           (static_cast<std::uint32_t>(b & 0xFF) << 16);
}
inline QColor bgrToQColor(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}
inline QColor oleToQColor(OleColor c) {
    return bgrToQColor(TranslateColor(c));
}

} // namespace korimo
