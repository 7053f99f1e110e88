#pragma once

#include "draw/olecolor.h"

#include <cstdint>

namespace korimo {

// The three parts of a colour, computed in double precision as the face routines expect.
struct RGBParts {
    double R = 0;
    double G = 0;
    double B = 0;
};

RGBParts SplitRGB(double c);
// r + 256 g + 65536 b, each part held to 0..255.
std::uint32_t RGBClamped(long long r, long long g, long long b);
// Red and green move by d, blue by its own share (B * d) \ 192; each part clamped to 0..255.
std::uint32_t ShiftColor(long long c, long long d);

} // namespace korimo
