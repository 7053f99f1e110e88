#include "draw/olecolor.h"

#include <array>

namespace korimo {

std::uint32_t GetSysColor(std::uint32_t index) {
    // Windows XP (Luna) system colours, by COLOR_* index.
    static constexpr std::array<std::uint32_t, 31> table = {
        RGBValue(212, 208, 200), // 0 scroll bar
        RGBValue(0, 78, 152),    // 1 desktop
        RGBValue(0, 84, 227),    // 2 active caption
        RGBValue(122, 150, 223), // 3 inactive caption
        RGBValue(255, 255, 255), // 4 menu
        RGBValue(255, 255, 255), // 5 window
        RGBValue(0, 0, 0),       // 6 window frame
        RGBValue(0, 0, 0),       // 7 menu text
        RGBValue(0, 0, 0),       // 8 window text
        RGBValue(255, 255, 255), // 9 caption text
        RGBValue(212, 208, 200), // 10 active border
        RGBValue(212, 208, 200), // 11 inactive border
        RGBValue(128, 128, 128), // 12 application workspace
        RGBValue(49, 106, 197),  // 13 highlight
        RGBValue(255, 255, 255), // 14 highlight text
        RGBValue(236, 233, 216), // 15 button face
        RGBValue(172, 168, 153), // 16 button shadow
        RGBValue(172, 168, 153), // 17 grey text
        RGBValue(0, 0, 0),       // 18 button text
        RGBValue(216, 228, 248), // 19 inactive caption text
        RGBValue(255, 255, 255), // 20 3-D highlight
        RGBValue(113, 111, 100), // 21 3-D dark shadow
        RGBValue(241, 239, 226), // 22 3-D light
        RGBValue(0, 0, 0),       // 23 tooltip text
        RGBValue(255, 255, 225), // 24 tooltip background
        RGBValue(181, 181, 181), // 25 (unused)
        RGBValue(0, 0, 128),     // 26 hot-tracked item
        RGBValue(61, 149, 255),  // 27 active caption gradient
        RGBValue(157, 185, 235), // 28 inactive caption gradient
        RGBValue(49, 106, 197),  // 29 menu highlight
        RGBValue(236, 233, 216), // 30 menu bar
    };
    return index < table.size() ? table[index] : 0;
}

std::uint32_t TranslateColor(OleColor c) {
    if (c >= 0 && c <= 0xFFFFFF)
        return static_cast<std::uint32_t>(c);
    return GetSysColor(static_cast<std::uint32_t>(c) & 0xFFFFFF);
}

} // namespace korimo
