#pragma once

#include "imaging/image.h"

#include <QByteArray>

namespace korimo::test {

// Packed DIBs written field by field, the way a Windows program hands them over, so tests can
// make valid ones of each kind and then break single fields.
QByteArray packedDib24(const Image& image, bool topDown = false);
// 32 bits per pixel, BITMAPINFOHEADER with BI_RGB; the fourth byte holds the image's alpha.
QByteArray packedDib32(const Image& image, bool topDown = false);

// A 40-byte BITMAPINFOHEADER; a negative height declares top-down rows.
QByteArray infoHeader(int width, int height, int bpp, std::uint32_t compression = 0,
                      std::uint32_t coloursUsed = 0);

// Little-endian patches at a byte offset.
void poke16(QByteArray& bytes, int offset, std::uint16_t value);
void poke32(QByteArray& bytes, int offset, std::uint32_t value);

// A 14-byte file header in front of a packed DIB whose rows follow the given table size.
QByteArray bmpFileAround(const QByteArray& dib, std::uint32_t pixelOffsetInDib);

} // namespace korimo::test
