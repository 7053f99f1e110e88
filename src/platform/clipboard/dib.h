#pragma once

#include "imaging/image.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Readers for device-independent bitmaps as other programs put them on the clipboard. Every
// header field, size, mask, offset and palette index is checked before it is used; anything
// malformed or unsupported reads as no image. Rows may run bottom-up or top-down, plain or
// run-length encoded.
namespace korimo::dib {

// A packed DIB: a BITMAPCOREHEADER, BITMAPINFOHEADER or later header, colour masks where the
// header asks for them, the colour table, then the rows.
std::optional<Image> readPackedDib(const std::uint8_t* data, std::size_t size);

// A BMP file: the 14-byte file header, then a packed DIB whose rows start at the file header's
// pixel offset.
std::optional<Image> readBmpFile(const std::uint8_t* data, std::size_t size);

// The BMP file that wraps a packed DIB byte for byte; empty when the DIB is malformed.
std::vector<std::uint8_t> bmpFileFromPackedDib(const std::uint8_t* data, std::size_t size);

} // namespace korimo::dib
