#pragma once

#include "imaging/image.h"

namespace korimo {

// The in-place kernels never allocate, so they cannot fail half way.
void flipVertical(Image& image);   // top row becomes the bottom row
void flipHorizontal(Image& image); // left column becomes the right column
void rotate180(Image& image);
void grayscale(Image& image); // equal channels from ITU-R BT.601 luma, alpha kept
// Each colour channel times percent / 100 (100 unchanged, 0 black, 200 twice as bright).
void adjustBrightness(Image& image, int percent);
// Each colour channel's distance from mid-grey 128 times permille / 1000 (1000 unchanged,
// 0 flat grey, 2000 twice the contrast).
void adjustContrast(Image& image, int permille);

// dst must be src.height() x src.width(); it is filled completely.
void rotateClockwise(const Image& src, Image& dst);
// A rotation by a whole number of quarter turns (negative turns counter-clockwise).
Image rotateQuarterTurns(const Image& src, int quarterTurnsClockwise);

// Each target pixel takes the source pixel under its centre.
Image resizeNearest(const Image& src, int width, int height);
// A separable Catmull-Rom filter, widened by the shrink factor when shrinking so that detail
// finer than the target grid averages out instead of aliasing.
Image resizeResampled(const Image& src, int width, int height);
// The same into an image already of the target size (its pixels are all replaced).
void resizeResampledInto(const Image& src, Image& dst);

} // namespace korimo
