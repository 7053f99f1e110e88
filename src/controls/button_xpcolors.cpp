#include "controls/button_xpcolors.h"

#include <algorithm>
#include <cmath>

namespace korimo {

RGBParts SplitRGB(double c) {
    RGBParts p;
    p.B = std::trunc(c / 256.0 / 256.0);
    p.G = std::trunc((c - p.B * 65536.0) / 256.0);
    p.R = std::trunc(c - p.B * 65536.0 - p.G * 256.0);
    return p;
}

std::uint32_t RGBClamped(long long r, long long g, long long b) {
    auto clamp = [](long long v) { return static_cast<std::uint32_t>(std::clamp(v, 0LL, 255LL)); };
    return clamp(r) | (clamp(g) << 8) | (clamp(b) << 16);
}

std::uint32_t ShiftColor(long long c, long long d) {
    // C++ division and % truncate toward zero and keep the dividend's sign, as the face
    // routines were designed with.
    const long long b = (c / 65536) % 256;
    const long long g = (c / 256) % 256;
    const long long r = c & 255;
    return RGBClamped(r + d, g + d, b + (b * d) / 192);
}

} // namespace korimo
