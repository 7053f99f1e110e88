#pragma once

#include "imaging/image.h"

#include <QString>

namespace korimo {

// Writes image in the format of formatCode (2 GIF 8-bit, 4 TGA 32-bit, 6 BMP 24-bit, 10 JPEG
// 24-bit; bits must be that depth) to a temporary file in the target folder and renames it into
// place once complete, so a failure leaves neither a partial file nor a changed old one.
// Throws ImagingError with a sentence to show.
void saveImageFile(const Image& image, const QString& file, int formatCode, int bits,
                   int compression);

} // namespace korimo
