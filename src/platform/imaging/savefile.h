#pragma once

#include "imaging/image.h"

#include <QString>
#include <functional>

namespace korimo {

// Gives the next name to try when a name the program picked itself turns out to be taken;
// throws when none is left.
using NextName = std::function<QString()>;

// Writes image in the format of formatCode (2 GIF 8-bit, 4 TGA 32-bit, 6 BMP 24-bit, 10 JPEG
// 24-bit; bits must be that depth) to a temporary file in the target folder and puts it in place
// once every byte is on the disk, so a failure leaves neither a partial file nor a changed old
// one. Without next the file under the name is replaced (the user chose it); with next no file
// is ever replaced: a name found taken when the file is ready moves the save on to next().
// Returns the name written. Throws ImagingError with a sentence to show.
QString saveImageFile(const Image& image, const QString& file, int formatCode, int bits,
                      int compression, const NextName& next = {});

} // namespace korimo
